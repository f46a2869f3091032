// One HTTP exchange through WinInet against the local index site, checked
// against what the site says it received.
#include <windows.h>
#include <wininet.h>

#include <gtest/gtest.h>

#include <string>

#include "tests/support/site_client.h"
#include "tests/support/text_printing.h"
#include "tests/support/window_driving.h"
#include "web/page_request.h"

namespace {

constexpr int kPort = VESK_TEST_SITE_PORT;
const std::string kSite = "127.0.0.1:" + std::to_string(kPort);

const char kDefaultAcceptLine[] =
    "Accept: image/gif, image/bmp, image/x-xbitmap, image/jpeg, image/pjpeg, application/x-shockwave-flash, "
    "application/vnd.ms-excel, application/vnd.ms-powerpoint, application/msword, */*\r\n";

Text SiteUrl(const std::string& target) { return Text("http://" + kSite + target); }

// The byte formula of the site's /bytes path.
std::string SiteBytes(size_t size)
{
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 7 + 3) % 251);
    return bytes;
}

class PageRequestTest : public testing::Test {
protected:
    void SetUp() override
    {
        InternetSetOptionW(nullptr, INTERNET_OPTION_END_BROWSER_SESSION, nullptr, 0);
        SiteReset(kPort);
    }
    void TearDown() override { SiteReset(kPort); }

    static RecordedRequest OnlyRequest()
    {
        std::vector<RecordedRequest> requests = SiteRequests(kPort);
        EXPECT_EQ(requests.size(), 1u);
        return requests.empty() ? RecordedRequest() : requests[0];
    }
};

TEST_F(PageRequestTest, FetchPageTextSendsExactlyTheDefaultBlock)
{
    Text url = SiteUrl("/echo");
    Text headers;
    Text raw;
    Bytes body = 网页_访问(url, std::nullopt, Text(), &headers, Text(), Text(), kBodyAsReceived, &raw);
    EXPECT_EQ(headers, ConcatText(kDefaultAcceptLine, "Referer: ", url, "\r\n", "Accept-Language: zh-cn\r\n"));
    EXPECT_EQ(BytesToText(body), T("ECHO GET 0\r\n"));
    EXPECT_EQ(FindText(raw, T("HTTP/1.")), 1) << "the status line comes first";
    EXPECT_EQ(RightText(raw, 4), T("\r\n\r\n"));
    EXPECT_NE(FindText(raw, T("Set-Cookie: "), 1, true), -1);

    EXPECT_EQ(FetchPageText(SiteUrl("/echo")), T("ECHO GET 0\r\n"));
}

TEST_F(PageRequestTest, TheUrlIsTrimmedAndCompleted)
{
    struct Case {
        std::string given;
        std::string normalised;
    };
    const Case cases[] = {
        {"  " + kSite + "/echo \xA1\xA1", "http://" + kSite + "/echo"},
        {"http://" + kSite + "/echo", "http://" + kSite + "/echo"},
        // The scheme test is byte-exact: capitals get another "http://".
        {"HTTP://" + kSite + "/echo", "http://HTTP://" + kSite + "/echo"},
    };
    for (const Case& c : cases) {
        Text url(c.given);
        网页_访问(url);
        EXPECT_EQ(url, Text(c.normalised));
    }
    EXPECT_EQ(SiteRequests(kPort).size(), 2u) << "the capitalised scheme names no reachable host";
}

TEST_F(PageRequestTest, ACallersLinesSuppressTheDefaultsTheyName)
{
    Text url = SiteUrl("/echo");
    Text headers = T("accept: text/html\r\nX-Test: 1\r\n");
    网页_访问(url, kAccessGet, Text(), &headers);
    EXPECT_EQ(headers, ConcatText("accept: text/html\r\nX-Test: 1\r\n", "Referer: ", url, "\r\n",
                                  "Accept-Language: zh-cn\r\n"));
    RecordedRequest request = OnlyRequest();
    EXPECT_EQ(request.Header("Accept"), "text/html");
    EXPECT_EQ(request.Header("X-Test"), "1");
    EXPECT_EQ(request.Header("Referer"), url.str());
    EXPECT_EQ(request.Header("Accept-Language"), "zh-cn");
}

TEST_F(PageRequestTest, PostSendsItsDataWithTypeAndLength)
{
    Text url = SiteUrl("/echo");
    Text headers;
    Bytes body = 网页_访问(url, kAccessPost, Text(), &headers, T("a=1&b=%E4"), T("k=v"));
    EXPECT_EQ(BytesToText(body), T("ECHO POST 9\r\n"));
    EXPECT_NE(FindText(headers, T("Content-Type: application/x-www-form-urlencoded\r\nContent-Length: 9\r\n"
                                  "Cookie: k=v\r\n\r\n")),
              -1);
    RecordedRequest request = OnlyRequest();
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.body, "a=1&b=%E4");
    EXPECT_EQ(request.Header("Content-Type"), "application/x-www-form-urlencoded");
    EXPECT_EQ(request.Header("Content-Length"), "9");
    EXPECT_NE(request.Header("Cookie").find("k=v"), std::string::npos);
}

TEST_F(PageRequestTest, ACookieTextAddsItsCookieLine)
{
    Text url = SiteUrl("/echo");
    Text headers;
    网页_访问(url, kAccessGet, Text(), &headers, Text(), T("sid=42"));
    EXPECT_EQ(RightText(headers, 18), T("Cookie: sid=42\r\n\r\n"));
    EXPECT_NE(OnlyRequest().Header("Cookie").find("sid=42"), std::string::npos);
}

TEST_F(PageRequestTest, AProxyOfBlanksConnectsDirectly)
{
    Text url = SiteUrl("/echo");
    Bytes body = 网页_访问(url, kAccessGet, T("   "));
    EXPECT_EQ(BytesToText(body), T("ECHO GET 0\r\n"));
    EXPECT_EQ(SiteRequests(kPort).size(), 1u);
}

TEST_F(PageRequestTest, ABadAccessMethodShowsTheNoticeAndFetchesNothing)
{
    MessageBoxSpy spy;
    Text url = ConcatText(T("  "), Text(kSite), T("/echo"));
    Text headers = T("X: 1\r\n");
    Bytes body = 网页_访问(url, 2, Text(), &headers);
    EXPECT_TRUE(body.empty());
    ASSERT_TRUE(spy.seen) << "no notice appeared";
    EXPECT_EQ(spy.message, T("【网页_访问】命令的第二个【访问方式】参数有误,请返回修改"));
    EXPECT_EQ(spy.title, T("友情提醒"));
    EXPECT_EQ(url, Text(kSite + "/echo")) << "trimmed, not completed";
    EXPECT_EQ(headers, T("X: 1\r\n"));
    EXPECT_TRUE(SiteRequests(kPort).empty());
}

TEST_F(PageRequestTest, SetCookieLinesReachTheCookieStore)
{
    // One Set-Cookie line without "=", one with attributes after the value.
    Text url = SiteUrl("/cookie?set=justdata&set=a%3Db%3B%20path%3D%2F");
    Text raw;
    网页_访问(url, kAccessGet, Text(), nullptr, Text(), Text(), kBodyAsReceived, &raw);
    EXPECT_NE(FindText(raw, T("Set-Cookie: justdata\r\n")), -1);

    char stored[1024] = {};
    DWORD length = sizeof stored;
    ASSERT_TRUE(InternetGetCookieA("http://127.0.0.1/", nullptr, stored, &length));
    std::string cookies = stored;
    EXPECT_NE(cookies.find("a=b"), std::string::npos) << cookies;
    EXPECT_EQ(cookies.find("path"), std::string::npos) << "the attributes are WinInet's to read: " << cookies;
    EXPECT_NE(cookies.find("justdata"), std::string::npos) << cookies;
}

TEST_F(PageRequestTest, AResponseWithTooManyHeaderBytesLeavesBlanks)
{
    std::string target = "/cookie";
    for (int i = 0; i < 6; ++i) {
        target.append(i ? "&set=big" : "?set=big").append(std::to_string(i)).append("%3D");
        target.append(400, 'x');
    }
    Text url = SiteUrl(target);
    Text raw;
    Bytes body = 网页_访问(url, kAccessGet, Text(), nullptr, Text(), Text(), kBodyAsReceived, &raw);
    EXPECT_FALSE(body.empty()) << "the body comes as usual";
    EXPECT_EQ(raw, BlankText(2048));
    char stored[4096] = {};
    DWORD length = sizeof stored;
    InternetGetCookieA("http://127.0.0.1/", nullptr, stored, &length);
    EXPECT_EQ(std::string(stored).find("big0"), std::string::npos) << "no cookie is stored then";
}

TEST_F(PageRequestTest, ABodyOfManyChunksComesWholeAndZeroBytesStay)
{
    const size_t size = 300000;
    Text url = SiteUrl("/bytes?size=" + std::to_string(size));
    Bytes body = 网页_访问(url);
    EXPECT_EQ(body.str().size(), size);
    EXPECT_TRUE(body.str() == SiteBytes(size)) << "the chunks joined in order";

    std::string beforeZero = SiteBytes(size).substr(0, SiteBytes(size).find('\0'));
    EXPECT_EQ(FetchPageText(url), Text(beforeZero)) << "the text ends at the first zero byte";
}

int Occurrences(const Text& text, const Text& sought)
{
    int count = 0;
    for (int at = FindText(text, sought); at != -1; at = FindText(text, sought, at + 1))
        ++count;
    return count;
}

TEST_F(PageRequestTest, ConversionsEndTheBodyAtItsFirstZeroByte)
{
    // The page has a zero byte after its third result block.
    Text url = SiteUrl("/fault/nul?keyword=ab");
    Bytes whole = 网页_访问(url);
    EXPECT_NE(whole.str().find('\0'), std::string::npos);
    EXPECT_EQ(Occurrences(Text(whole.str().substr(whole.str().find('\0') + 1)), T("<div class=\"r\">")), 7);
    Text again = url;
    Bytes converted = 网页_访问(again, kAccessGet, Text(), nullptr, Text(), Text(), kBodyFromUtf8);
    EXPECT_EQ(converted.str().find('\0'), std::string::npos);
    EXPECT_EQ(Occurrences(BytesToText(converted), T("<div class=\"r\">")), 3);
    // Read as Big5 the UTF-8 page ends already at its first character that
    // has no GBK form; either way nothing after the zero byte is left.
    again = url;
    converted = 网页_访问(again, kAccessGet, Text(), nullptr, Text(), Text(), kBodyFromBig5);
    EXPECT_EQ(converted.str().find('\0'), std::string::npos);
    EXPECT_LE(Occurrences(BytesToText(converted), T("<div class=\"r\">")), 3);
    EXPECT_EQ(Occurrences(FetchPageText(url), T("<div class=\"r\">")), 3);
}

TEST_F(PageRequestTest, AChunkedPageIsTheSameAsTheWholeOne)
{
    Text whole = FetchPageText(SiteUrl("/search?keyword=ab&p=2"));
    EXPECT_GT(TextLength(whole), 5000);
    EXPECT_EQ(FetchPageText(SiteUrl("/fault/chunks?keyword=ab&p=2&size=37")), whole);
    EXPECT_EQ(FetchPageText(SiteUrl("/fault/slow?keyword=ab&p=2&piece=999&delay_ms=1")), whole);
}

TEST_F(PageRequestTest, ConversionsTurnTheBodyIntoGbk)
{
    Text url = SiteUrl("/search?keyword=%E4%B8%AD%E5%9B%BD");
    Text asReceived = FetchPageText(url);
    Bytes converted = 网页_访问(url, kAccessGet, Text(), nullptr, Text(), Text(), kBodyFromUtf8);
    EXPECT_NE(FindText(asReceived, T("\xE4\xB8\xAD\xE5\x9B\xBD")), -1);  // UTF-8 as sent
    EXPECT_NE(FindText(BytesToText(converted), T("中国")), -1);             // GBK
    EXPECT_EQ(FindText(BytesToText(converted), T("\xE4\xB8\xAD\xE5\x9B\xBD")), -1);
}

TEST_F(PageRequestTest, NoServerGivesAnEmptyBody)
{
    // Nothing listens on port 9 of the loopback address.
    Text url = T("http://127.0.0.1:9/x");
    Text headers;
    Text raw = T("unchanged");
    Bytes body = 网页_访问(url, kAccessGet, Text(), &headers, Text(), Text(), kBodyAsReceived, &raw);
    EXPECT_TRUE(body.empty());
    EXPECT_NE(FindText(headers, T("Referer: http://127.0.0.1:9/x\r\n")), -1) << "the block was built";
    // What the header query gives without a response is WinInet's: blanks
    // or an empty line, never a status line.
    EXPECT_EQ(FindText(raw, T("HTTP/")), -1) << HexBytes(raw.str());
    EXPECT_EQ(FetchPageText(url), T(""));
}

}  // namespace
