#include "text/urlcode.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "app/events.h"
#include "text/codepage.h"

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

// 0-15 for a hexadecimal digit of either case, -1 for any other byte.
inline int HexValue(unsigned char b)
{
    if (b >= '0' && b <= '9')
        return b - '0';
    if (b >= 'A' && b <= 'F')
        return b - 'A' + 10;
    if (b >= 'a' && b <= 'f')
        return b - 'a' + 10;
    return -1;
}

inline bool IsPlain(unsigned char b) { return (b >= 0x2C && b <= 0x39) || (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z'); }

}  // namespace

Text UrlEncode(const Text& text, bool keepPlain)
{
    Bytes utf8 = TextToBytes(GbkToUtf8(text));
    std::string encoded;
    encoded.reserve(3 * static_cast<size_t>(utf8.size()));
    for (char c : utf8.str()) {
        unsigned char b = static_cast<unsigned char>(c);
        if (keepPlain && IsPlain(b)) {
            encoded.push_back(c);
        } else {
            encoded.push_back('%');
            encoded.push_back(kHexDigits[b >> 4]);
            encoded.push_back(kHexDigits[b & 0x0F]);
        }
        // A long keyword must not freeze the window; everything this loop
        // needs is local, so a search nested in here does not disturb it.
        ProcessPendingEvents();
    }
    return Text(std::move(encoded));
}

namespace {

// The page is decoded a stretch at a time, each stretch converted as soon
// as it can be cut, so no working copy of the whole page is ever made.
constexpr size_t kStretchBytes = 16 * 1024;

// Decodes the escapes that begin in [from, end) of the page and appends the
// bytes to decoded; returns where decoding goes on, which is end or up to
// two bytes after it when an escape straddles end.
size_t AppendDecodedEscapes(std::string& decoded, std::string_view page, size_t from, size_t end)
{
    size_t i = from;
    while (i < end) {
        // Runs without a "%" (nearly the whole page) are copied at once.
        const void* found = std::memchr(page.data() + i, '%', end - i);
        size_t percent = found ? static_cast<size_t>(static_cast<const char*>(found) - page.data()) : end;
        decoded.append(page.data() + i, percent - i);
        if (percent == end)
            return end;

        // Only "%" and two hexadecimal digits is an escape. Anything else,
        // such as "100% Orange" or a title ending in "%" before "</h5>", keeps
        // its "%" and the bytes after it.
        int high = percent + 2 < page.size() ? HexValue(static_cast<unsigned char>(page[percent + 1])) : -1;
        int low = high >= 0 ? HexValue(static_cast<unsigned char>(page[percent + 2])) : -1;
        if (low >= 0) {
            if (int byte = 16 * high + low; byte != 0)
                decoded.push_back(static_cast<char>(byte));
            i = percent + 3;
        } else {
            decoded.push_back('%');
            i = percent + 1;
        }
    }
    return i;
}

}  // namespace

Text UrlDecode(const Text& text)
{
    std::string_view page = text.view();
    GbkFromUtf8Builder builder;
    builder.gbk.reserve(page.size());  // GBK is never longer than the UTF-8 it comes from
    std::string decoded;
    decoded.reserve(2 * kStretchBytes);
    size_t i = 0;
    size_t searched = 0;  // where the decoded bytes have no place to cut
    while (i < page.size()) {
        i = AppendDecodedEscapes(decoded, page, i, std::min(page.size(), i + kStretchBytes));
        if (i >= page.size())
            break;
        size_t cut = Utf8PieceEnd(decoded, searched);
        if (cut == 0) {
            searched = decoded.size() > 0 ? decoded.size() - 1 : 0;
            continue;  // collect on until there is a place to cut
        }
        AppendUtf8Piece(builder, std::string_view(decoded).substr(0, cut));
        decoded.erase(0, cut);
        searched = 0;
    }
    AppendUtf8Piece(builder, decoded);
    return FinishGbk(builder);
}
