#include "web/page_request.h"

#include <windows.h>
#include <wininet.h>

#include "app/events.h"
#include "text/codepage.h"
#include "web/notice.h"
#include "web/url_parts.h"

namespace {

constexpr char kUserAgent[] = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)";
constexpr char kHttpVersion[] = "HTTP/1.1";
constexpr DWORD kReadChunk = 1024;
constexpr int32_t kRawHeaderBuffer = 2048;
constexpr char kCookieMarker[] = "Set-Cookie: ";
constexpr int32_t kCookieMarkerLength = 12;
constexpr char kDefaultAccept[] =
    "Accept: image/gif, image/bmp, image/x-xbitmap, image/jpeg, image/pjpeg, application/x-shockwave-flash, "
    "application/vnd.ms-excel, application/vnd.ms-powerpoint, application/msword, */*\r\n";
constexpr char kBadAccessMethodNotice[] = "【网页_访问】命令的第二个【访问方式】参数有误,请返回修改";

// One WinInet handle, closed when it goes out of scope. Declared in the order
// of opening (internet, connection, request), they close in the reverse
// order, request first, on every path.
class InternetHandle {
public:
    explicit InternetHandle(HINTERNET handle) : handle_(handle) {}
    ~InternetHandle() { Close(); }
    InternetHandle(const InternetHandle&) = delete;
    InternetHandle& operator=(const InternetHandle&) = delete;

    HINTERNET get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }
    void Close()
    {
        if (handle_)
            InternetCloseHandle(handle_);
        handle_ = nullptr;
    }

private:
    HINTERNET handle_;
};

bool StartsWith(const Text& text, const char* prefix)
{
    return text.view().substr(0, std::char_traits<char>::length(prefix)) == prefix;
}

// Appends the default lines that the block lacks; a line counts as present
// wherever its name occurs in the block, in any case.
void CompleteHeaderBlock(Text& headers, const Text& url, bool post, const Text& postData, const Text& cookies)
{
    if (FindText(headers, "Accept: ", 1, true) == -1)
        headers = ConcatText(headers, kDefaultAccept);
    if (FindText(headers, "Referer: ", 1, true) == -1)
        headers = ConcatText(headers, "Referer: ", url, "\r\n");
    if (FindText(headers, "Accept-Language: ", 1, true) == -1)
        headers = ConcatText(headers, "Accept-Language: zh-cn\r\n");
    if (post && !postData.empty()) {
        headers = ConcatText(headers, "Content-Type: application/x-www-form-urlencoded\r\n", "Content-Length: ",
                             NumberToText(TextLength(postData)), "\r\n");
    }
    if (!cookies.empty())
        headers = ConcatText(headers, "Cookie: ", cookies, "\r\n\r\n");
}

// Reads the whole body, letting the window handle its messages before every
// read. A read that fails reports no bytes and so ends the body like its end.
// When the program is ending (its window closed meanwhile) reading stops.
Bytes ReadBody(HINTERNET request)
{
    Bytes body;
    char chunk[kReadChunk];
    for (;;) {
        if (ProcessPendingEvents())
            break;  // the program is ending
        DWORD count = 0;  // a failed read may leave the count untouched
        InternetReadFile(request, chunk, kReadChunk, &count);
        if (count == 0)
            break;
        body.Append(chunk, count);
    }
    return body;
}

Text QueryRawHeaders(HINTERNET request)
{
    // 2048 blanks: what stays when the query fails (the headers need more
    // room, or there are none).
    std::string bytes(kRawHeaderBuffer, ' ');
    DWORD length = kRawHeaderBuffer;
    HttpQueryInfoA(request, HTTP_QUERY_RAW_HEADERS_CRLF, bytes.data(), &length, nullptr);
    return Text(bytes.data(), bytes.size());  // up to the first zero byte
}

// Calls `handleLine` for each line of the header text. A line ends at LF,
// one CR before it is dropped; a lead byte takes the byte after it along, so
// no line ends inside a character; a byte 0x1A ends the line and the text.
template <typename LineHandler>
void ForEachHeaderLine(const Text& headerText, LineHandler handleLine)
{
    std::string_view s = headerText.view();
    size_t lineStart = 0;
    size_t i = 0;
    auto emit = [&](size_t end) {
        std::string_view line = s.substr(lineStart, end - lineStart);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        handleLine(Text(line));
    };
    while (i < s.size()) {
        unsigned char b = static_cast<unsigned char>(s[i]);
        if (b == 0x1A) {
            emit(i);
            return;
        }
        if (b == '\n') {
            emit(i);
            lineStart = ++i;
            continue;
        }
        i += (b >= 0x81 && b <= 0xFE && i + 1 < s.size()) ? 2 : 1;
    }
    if (lineStart < s.size())
        emit(s.size());
}

void StoreResponseCookies(const Text& headerText, const Text& host)
{
    if (FindText(headerText, kCookieMarker, 1, true) == -1)
        return;
    const Text cookieUrl = ConcatText("http://", host);
    ForEachHeaderLine(headerText, [&](const Text& line) {
        if (FindText(line, kCookieMarker, 1, true) == -1)
            return;
        Text rest = ReplaceAt(line, 1, kCookieMarkerLength);
        int32_t equals = FindText(rest, "=");
        Text name = LeftText(rest, equals - 1);
        Text data = RightText(rest, TextLength(rest) - equals);
        InternetSetCookieA(cookieUrl.c_str(), name.empty() ? nullptr : name.c_str(), data.c_str());
    });
}

}  // namespace

Bytes 网页_访问(Text& url, std::optional<int32_t> accessMethod, const Text& proxy, Text* headers,
              const Text& postData, const Text& cookies, int32_t conversion, Text* rawHeaders)
{
    url = TrimBothEnds(url);

    int32_t method = accessMethod.value_or(kAccessGet);
    if (method != kAccessGet && method != kAccessPost) {
        ShowNotice(kBadAccessMethodNotice);
        return Bytes();
    }
    const bool post = method == kAccessPost;

    if (!StartsWith(url, "http://") && !StartsWith(url, "https://"))
        url = ConcatText("http://", url);
    const Text host = HostOfUrl(url);
    const Text path = PathOfUrl(url);

    const bool direct = RemoveAllSpaces(proxy).empty();
    const Text proxyList = ConcatText("http=", proxy);
    InternetHandle internet(direct ? InternetOpenA(kUserAgent, INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0)
                                   : InternetOpenA(kUserAgent, INTERNET_OPEN_TYPE_PROXY, proxyList.c_str(), "", 0));
    if (!internet)
        return Bytes();
    InternetHandle connection(InternetConnectA(internet.get(), host.c_str(),
                                               static_cast<INTERNET_PORT>(PortOfUrl(url)), nullptr, nullptr,
                                               INTERNET_SERVICE_HTTP, 0, 0));
    if (!connection)
        return Bytes();
    // Only INTERNET_FLAG_RELOAD: the page comes from the server, never from
    // the cache; an https address is asked for in plain HTTP all the same.
    InternetHandle request(HttpOpenRequestA(connection.get(), post ? "POST" : "GET", path.c_str(), kHttpVersion,
                                            nullptr, nullptr, INTERNET_FLAG_RELOAD, 0));
    if (!request)
        return Bytes();

    Text localHeaders;
    Text& block = headers ? *headers : localHeaders;
    CompleteHeaderBlock(block, url, post, postData, cookies);
    const Text& body = post ? postData : Text();
    HttpSendRequestA(request.get(), block.c_str(), static_cast<DWORD>(TextLength(block)),
                     const_cast<char*>(body.c_str()), static_cast<DWORD>(TextLength(body)));

    Bytes received = ReadBody(request.get());
    Text headerText = QueryRawHeaders(request.get());
    request.Close();
    connection.Close();
    internet.Close();

    if (rawHeaders)
        *rawHeaders = headerText;
    StoreResponseCookies(headerText, host);

    switch (conversion) {
    case kBodyFromUtf8:
        return TextToBytes(Utf8ToGbk(BytesToText(received)));
    case kBodyFromBig5:
        return TextToBytes(Big5ToSimplifiedGbk(BytesToText(received)));
    default:
        return received;
    }
}

Text FetchPageText(const Text& url)
{
    Text address = url;
    Text headers;
    Text rawHeaders;
    return BytesToText(网页_访问(address, std::nullopt, Text(), &headers, Text(), Text(), kBodyAsReceived, &rawHeaders));
}
