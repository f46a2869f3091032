#include "text/text.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

Text::Text(const char* zeroTerminated) : bytes_(zeroTerminated ? zeroTerminated : "") {}

Text::Text(const char* data, size_t size) : bytes_(data, size) { CutAtZero(); }

Text::Text(std::string_view bytes) : bytes_(bytes) { CutAtZero(); }

Text::Text(std::string&& bytes) : bytes_(std::move(bytes)) { CutAtZero(); }

void Text::CutAtZero()
{
    size_t zero = bytes_.find('\0');
    if (zero != std::string::npos)
        bytes_.resize(zero);
}

namespace {

inline unsigned char ByteAt(std::string_view s, size_t i) { return static_cast<unsigned char>(s[i]); }

// The character walk: any byte 0x80-0xFF takes the byte after it along.
inline bool IsHighByte(unsigned char b) { return b >= 0x80; }

inline unsigned char FoldAsciiUpper(unsigned char b) { return (b >= 0x41 && b <= 0x5A) ? b + 0x20 : b; }

inline bool IsBlankAt(std::string_view s, size_t i)
{
    return ByteAt(s, i) == 0x20 || (ByteAt(s, i) == 0xA1 && i + 1 < s.size() && ByteAt(s, i + 1) == 0xA1);
}

bool MatchesAt(std::string_view text, size_t at, std::string_view sought, bool ignoreCase)
{
    if (!ignoreCase)
        return std::memcmp(text.data() + at, sought.data(), sought.size()) == 0;
    for (size_t k = 0; k < sought.size(); ++k) {
        if (FoldAsciiUpper(ByteAt(text, at + k)) != FoldAsciiUpper(ByteAt(sought, k)))
            return false;
    }
    return true;
}

size_t StartOffset(int32_t start) { return start > 1 ? static_cast<size_t>(start) - 1 : 0; }

// One character of a case-insensitive comparison: an ASCII letter as its
// lower-case letter, a two-byte character of code page 936 as its upper-case
// form in the PRC locale, first byte high.
uint32_t FoldedCharAt(std::string_view s, size_t& i)
{
    unsigned char lead = ByteAt(s, i);
    if (lead >= 0x81 && lead <= 0xFE && i + 1 < s.size()) {
        char upper[2] = {s[i], s[i + 1]};
        char mapped[4] = {};
        // Locale 2052 maps through its own code page, 936, whatever the
        // system's ANSI code page is.
        if (LCMapStringA(MAKELCID(0x0804, SORT_DEFAULT), LCMAP_UPPERCASE, upper, 2, mapped, 4) == 2)
            std::memcpy(upper, mapped, 2);
        i += 2;
        return (static_cast<uint32_t>(static_cast<unsigned char>(upper[0])) << 8) |
               static_cast<unsigned char>(upper[1]);
    }
    i += 1;
    return (lead >= 0x41 && lead <= 0x5A) ? lead + 0x20u : lead;
}

template <typename Transform>
Text MapAsciiLetters(const Text& text, Transform transform)
{
    std::string out(text.str());
    for (size_t i = 0; i < out.size();) {
        unsigned char b = static_cast<unsigned char>(out[i]);
        if (IsHighByte(b)) {
            i += 2;  // a lone last byte stays as it is
            continue;
        }
        out[i] = static_cast<char>(transform(b));
        ++i;
    }
    return Text(std::move(out));
}

}  // namespace

int32_t TextLength(const Text& text) { return text.size(); }

int CompareText(const Text& first, const Text& second)
{
    int c = first.view().compare(second.view());  // char_traits<char> compares as unsigned
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

int CompareText(const Text& first, const Text& second, bool caseSensitive)
{
    if (caseSensitive)
        return CompareText(first, second);
    std::string_view a = first.view(), b = second.view();
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        uint32_t ca = FoldedCharAt(a, i);
        uint32_t cb = FoldedCharAt(b, j);
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    if (i < a.size())
        return 1;
    if (j < b.size())
        return -1;
    return 0;
}

int32_t FindText(const Text& text, const Text& sought, int32_t start, bool ignoreCase)
{
    std::string_view s = text.view(), q = sought.view();
    size_t p = StartOffset(start);
    if (q.empty())
        return p < s.size() ? 1 : -1;
    while (p < s.size() && s.size() - p >= q.size()) {
        if (MatchesAt(s, p, q, ignoreCase))
            return static_cast<int32_t>(p + 1);
        if (IsHighByte(ByteAt(s, p))) {
            if (p + 1 >= s.size())
                return -1;
            p += 2;
        } else {
            p += 1;
        }
    }
    return -1;
}

Text LeftText(const Text& text, int32_t count)
{
    if (count <= 0)
        return Text();
    return Text(text.view().substr(0, static_cast<size_t>(count)));
}

Text RightText(const Text& text, int32_t count)
{
    if (count <= 0)
        return Text();
    size_t n = std::min(static_cast<size_t>(count), text.str().size());
    return Text(text.view().substr(text.str().size() - n));
}

Text MidText(const Text& text, int32_t start, int32_t count)
{
    if (start < 1 || start > text.size() || count <= 0)
        return Text();
    return Text(text.view().substr(static_cast<size_t>(start) - 1, static_cast<size_t>(count)));
}

Text ReplaceAt(const Text& text, int32_t start, int32_t count, const Text& replacement)
{
    size_t length = text.str().size();
    size_t p = std::min(StartOffset(start), length);
    size_t removed = count <= 0 ? 0 : std::min(static_cast<size_t>(count), length - p);
    std::string out;
    out.reserve(length - removed + replacement.str().size());
    out.append(text.view().substr(0, p)).append(replacement.str()).append(text.view().substr(p + removed));
    return Text(std::move(out));
}

Text ReplaceAll(const Text& text, const Text& old, const Text& replacement, int32_t start, int32_t count,
                bool caseSensitive)
{
    std::string_view s = text.view(), o = old.view();
    size_t p = StartOffset(start);
    if (s.empty() || o.empty() || p >= s.size() || count == 0)
        return text;

    std::string out;
    out.reserve(s.size());
    out.append(s.substr(0, p));
    int32_t replaced = 0;
    while (s.size() - p >= o.size()) {
        if (MatchesAt(s, p, o, !caseSensitive)) {
            out.append(replacement.str());
            p += o.size();
            if (++replaced == count)
                break;
        } else if (IsHighByte(ByteAt(s, p))) {
            if (p + 1 >= s.size()) {  // a lone last lead byte is dropped
                p = s.size();
                break;
            }
            out.append(s.substr(p, 2));
            p += 2;
        } else {
            out.push_back(s[p]);
            p += 1;
        }
    }
    out.append(s.substr(p));
    return Text(std::move(out));
}

Text ToLowerText(const Text& text)
{
    return MapAsciiLetters(text, [](unsigned char b) { return (b >= 0x41 && b <= 0x5A) ? b + 0x20 : b; });
}

Text ToUpperText(const Text& text)
{
    return MapAsciiLetters(text, [](unsigned char b) { return (b >= 0x61 && b <= 0x7A) ? b - 0x20 : b; });
}

Text TrimBothEnds(const Text& text)
{
    std::string_view s = text.view();
    size_t begin = 0;
    while (begin < s.size() && IsBlankAt(s, begin))
        begin += ByteAt(s, begin) == 0x20 ? 1 : 2;

    // Walk on to find the end of the last character that is not a blank,
    // noting a lone last lead byte, which is dropped.
    size_t keepEnd = begin;
    size_t i = begin;
    bool loneLast = false;
    while (i < s.size()) {
        if (IsHighByte(ByteAt(s, i)) && i + 1 >= s.size()) {
            loneLast = true;
            break;
        }
        bool blank = IsBlankAt(s, i);
        i += IsHighByte(ByteAt(s, i)) ? 2 : 1;
        if (!blank)
            keepEnd = i;
    }
    if (loneLast)
        keepEnd = i;  // the blanks before the dropped byte stay
    return Text(s.substr(begin, keepEnd - begin));
}

Text RemoveAllSpaces(const Text& text)
{
    std::string_view s = text.view();
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size();) {
        if (IsHighByte(ByteAt(s, i))) {
            if (i + 1 >= s.size())
                break;  // a lone last lead byte is dropped
            if (!IsBlankAt(s, i))
                out.append(s.substr(i, 2));
            i += 2;
        } else {
            if (s[i] != ' ')
                out.push_back(s[i]);
            i += 1;
        }
    }
    return Text(std::move(out));
}

double ToNumber(const Text& text)
{
    // Full-width forms first: A3 xx becomes xx - 0x80, A1 A1 a blank.
    std::string_view s = text.view();
    std::string plain;
    plain.reserve(s.size());
    for (size_t i = 0; i < s.size();) {
        unsigned char b = ByteAt(s, i);
        if (IsHighByte(b) && i + 1 < s.size()) {
            unsigned char second = ByteAt(s, i + 1);
            if (b == 0xA3 && second >= 0xA1 && second <= 0xFE)
                plain.push_back(static_cast<char>(second - 0x80));
            else if (b == 0xA1 && second == 0xA1)
                plain.push_back(' ');
            else
                plain.append(s.substr(i, 2));
            i += 2;
        } else {
            plain.push_back(static_cast<char>(b));
            i += 1;
        }
    }

    // The longest beginning that reads as a decimal number; no hexadecimal,
    // no "inf" or "nan".
    size_t i = 0;
    auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; };
    auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    while (i < plain.size() && isSpace(plain[i]))
        ++i;
    size_t numberStart = i;
    if (i < plain.size() && (plain[i] == '+' || plain[i] == '-'))
        ++i;
    size_t digits = 0;
    while (i < plain.size() && isDigit(plain[i]))
        ++i, ++digits;
    if (i < plain.size() && plain[i] == '.') {
        ++i;
        while (i < plain.size() && isDigit(plain[i]))
            ++i, ++digits;
    }
    if (digits == 0)
        return 0.0;
    if (i < plain.size() && (plain[i] == 'e' || plain[i] == 'E')) {
        size_t e = i + 1;
        if (e < plain.size() && (plain[e] == '+' || plain[e] == '-'))
            ++e;
        if (e < plain.size() && isDigit(plain[e])) {
            while (e < plain.size() && isDigit(plain[e]))
                ++e;
            i = e;
        }
    }
    std::string number = plain.substr(numberStart, i - numberStart);
    return std::strtod(number.c_str(), nullptr);
}

Text ToHexText(int32_t value)
{
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%X", static_cast<unsigned>(value));
    return Text(buffer);
}

Text NumberToText(int32_t value)
{
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%d", static_cast<int>(value));
    return Text(buffer);
}

Text CharText(int32_t code)
{
    char byte = static_cast<char>(static_cast<uint32_t>(code) & 0xFF);
    return Text(&byte, 1);  // a zero byte gives the empty text
}

Text BlankText(int32_t count) { return count <= 0 ? Text() : Text(std::string(static_cast<size_t>(count), ' ')); }

Bytes BlankBytes(int32_t count) { return count <= 0 ? Bytes() : Bytes(std::string(static_cast<size_t>(count), '\0')); }

Bytes TextToBytes(const Text& text) { return Bytes(std::string(text.str())); }

Text BytesToText(const Bytes& bytes) { return Text(bytes.data(), bytes.str().size()); }

int32_t BytesLength(const Bytes& bytes) { return bytes.size(); }

Bytes BytesLeft(const Bytes& bytes, int32_t count)
{
    size_t n = count <= 0 ? 0 : std::min(static_cast<size_t>(count), bytes.str().size());
    return Bytes(bytes.data(), n);
}

namespace text_detail {

Text ConcatViews(std::initializer_list<std::string_view> parts)
{
    size_t total = 0;
    for (std::string_view part : parts)
        total += part.size();
    std::string out;
    out.reserve(total);
    for (std::string_view part : parts)
        out.append(part);
    return Text(std::move(out));
}

Bytes ConcatByteViews(std::initializer_list<std::string_view> parts)
{
    size_t total = 0;
    for (std::string_view part : parts)
        total += part.size();
    std::string out;
    out.reserve(total);
    for (std::string_view part : parts)
        out.append(part);
    return Bytes(std::move(out));
}

}  // namespace text_detail
