#include "text/codepage.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "text/simplified.h"

namespace {

// Locale 2052, Chinese (PRC): its code page is 936, whatever the system's
// ANSI code page is.
const LCID kChinesePrc = MAKELCID(0x0804, SORT_DEFAULT);

// The buffers of the program's conversions are sized as if the bytes were
// read in the ANSI code page, which the program takes to be GBK; naming 936
// keeps the results the same on a system with another ANSI code page.
constexpr UINT kSizingCodePage = kCodePageGbk;

// Bytes keeps its storage in a std::string, whose buffer is at least 8-byte
// aligned, so it can hold UTF-16 units for the platform calls directly.
inline wchar_t* UnitsOf(Bytes& bytes) { return reinterpret_cast<wchar_t*>(bytes.data()); }
inline const wchar_t* UnitsOf(const Bytes& bytes) { return reinterpret_cast<const wchar_t*>(bytes.data()); }

inline wchar_t UnitAt(const Bytes& bytes, int32_t index)
{
    wchar_t unit;
    std::memcpy(&unit, bytes.data() + 2 * index, 2);
    return unit;
}

}  // namespace

Bytes TextToUtf16(const Text& text, uint32_t codePage)
{
    // The terminating zero byte is converted too, so the result ends in a
    // zero unit.
    int length = text.size() + 1;
    int estimate = MultiByteToWideChar(kSizingCodePage, 0, text.c_str(), length, nullptr, 0);
    // Malformed UTF-8 can need more units than the GBK reading of the same
    // bytes; a buffer that small would lose the end of the text.
    int exact = MultiByteToWideChar(codePage, 0, text.c_str(), length, nullptr, 0);
    int units = std::max(estimate, exact);
    if (units <= 0)
        return Bytes();
    Bytes utf16 = BlankBytes(2 * units);
    MultiByteToWideChar(codePage, 0, text.c_str(), length, UnitsOf(utf16), units);
    return utf16;
}

Text Utf16ToText(const Bytes& utf16, uint32_t codePage)
{
    int32_t available = utf16.size() / 2;
    int32_t units = 0;
    while (units < available) {
        if (UnitAt(utf16, units++) == 0)
            break;
    }
    if (units == 0)
        return Text();

    // Twice the GBK size leaves room for UTF-8, which takes three bytes for
    // a character that GBK writes in two; the exact size covers the rest.
    int estimate = WideCharToMultiByte(kSizingCodePage, 0, UnitsOf(utf16), units, nullptr, 0, nullptr, nullptr);
    int exact = WideCharToMultiByte(codePage, 0, UnitsOf(utf16), units, nullptr, 0, nullptr, nullptr);
    int size = std::max(2 * estimate, exact);
    if (size <= 0)
        return Text();
    std::string buffer(static_cast<size_t>(size), ' ');
    int written = WideCharToMultiByte(codePage, 0, UnitsOf(utf16), units, buffer.data(), size, nullptr, nullptr);
    // Without a zero unit nothing terminates the converted bytes, and a failed
    // call leaves only the blanks of the buffer.
    buffer.resize(written > 0 ? static_cast<size_t>(written) : 0);
    return Text(std::move(buffer));
}

Text GbkToUtf8(const Text& gbk)
{
    if (gbk.empty())
        return Text();
    return Utf16ToText(TextToUtf16(gbk, kCodePageGbk), kCodePageUtf8);
}

Text Utf8ToGbk(const Text& utf8)
{
    if (utf8.empty())
        return Text();
    return Utf16ToText(TextToUtf16(utf8), kCodePageGbk);
}

Text Big5ToGbk(const Text& big5)
{
    int length = big5.size() + 1;
    int units = MultiByteToWideChar(kCodePageBig5, 0, big5.c_str(), length, nullptr, 0);
    if (units <= 0)
        return Text();
    Bytes utf16 = BlankBytes(2 * units);
    MultiByteToWideChar(kCodePageBig5, 0, big5.c_str(), length, UnitsOf(utf16), units);

    // The zero byte as default character: the first character that GBK has
    // no form for ends the text.
    // The platform reads the default character as a string (two bytes in a
    // double-byte code page), so it gets a zero byte and a terminator.
    const char zero[2] = {'\0', '\0'};
    int size = WideCharToMultiByte(kCodePageGbk, 0, UnitsOf(utf16), units, nullptr, 0, zero, nullptr);
    if (size <= 0)
        return Text();
    std::string gbk(static_cast<size_t>(size), ' ');
    WideCharToMultiByte(kCodePageGbk, 0, UnitsOf(utf16), units, gbk.data(), size, zero, nullptr);
    return Text(std::move(gbk));
}

Text ToSimplifiedChinese(const Text& gbk)
{
    int32_t length = TextLength(gbk);
    if (length == 0)
        return Text();
    std::string mapped(static_cast<size_t>(length), ' ');
    if (LCMapStringA(kChinesePrc, LCMAP_SIMPLIFIED_CHINESE, gbk.c_str(), length, mapped.data(), length) != length)
        mapped = gbk.str();  // a failed call would leave only blanks

    // Wine returns the text unchanged, and a Windows without the mapping
    // would too: every character the call left as it was goes through the
    // program's own table. Bytes that make no GBK character (a first byte cut
    // off at the end, say) come back from the platform as "?"; they stay as
    // they were, like every other character that is not traditional.
    const std::string& original = gbk.str();
    for (int32_t i = 0; i < length;) {
        unsigned char lead = gbk.at(i);
        int32_t width = lead >= 0x80 ? 2 : 1;
        bool twoByte = lead >= 0x81 && lead <= 0xFE && i + 1 < length && gbk.at(i + 1) >= 0x40 &&
                       gbk.at(i + 1) <= 0xFE && gbk.at(i + 1) != 0x7F;
        if (!twoByte) {
            mapped.replace(i, std::min(width, length - i), original, i, std::min(width, length - i));
        } else if (mapped.compare(i, 2, original, i, 2) == 0) {
            if (uint16_t simplified = SimplifiedFormOf(static_cast<uint16_t>((lead << 8) | gbk.at(i + 1)))) {
                mapped[i] = static_cast<char>(simplified >> 8);
                mapped[i + 1] = static_cast<char>(simplified & 0xFF);
            }
        }
        i += width;
    }
    return Text(std::move(mapped));
}

Text Big5ToSimplifiedGbk(const Text& big5) { return ToSimplifiedChinese(Big5ToGbk(big5)); }

// Pages are large, so the routines below size their buffers by a bound
// instead of asking the platform first, which saves a pass over the page.
// The results are the same as with a query, because the bounds always hold.

Bytes Utf8BytesToUtf16(const Bytes& utf8)
{
    if (utf8.empty())
        return Bytes();
    // Every byte yields at most one unit: a four-byte sequence gives two
    // units, a malformed byte at most one replacement character.
    Bytes utf16 = BlankBytes(2 * utf8.size());
    int units = MultiByteToWideChar(kCodePageUtf8, 0, utf8.data(), utf8.size(), UnitsOf(utf16), utf8.size());
    if (units <= 0)
        return Bytes();
    return BytesLeft(utf16, 2 * units);
}

namespace {

// True for a unit that may be the combining part of a composite character:
// combining marks, the vowel signs of other scripts, Hangul jamo, the kana
// sound marks, surrogates (marks beyond the first plane). Chinese pages are
// made almost only of the other units.
bool MayCompose(wchar_t unit)
{
    if (unit < 0x0300)
        return false;
    if (unit < 0x3000)
        return true;
    if ((unit >= 0x302A && unit <= 0x302F) || unit == 0x3099 || unit == 0x309A)
        return true;
    if (unit <= 0x9FFF || (unit >= 0xAC00 && unit <= 0xD7A3) || (unit >= 0xE000 && unit <= 0xFAFF) || unit >= 0xFE30)
        return false;
    return true;
}

// Converts count units with flags and appends them to gbk, which holds
// written bytes followed by room for more.
void ConvertUnits(std::string& gbk, size_t& written, const wchar_t* units, int count, DWORD flags)
{
    if (count <= 0)
        return;
    int room = static_cast<int>(gbk.size() - written);
    int n = WideCharToMultiByte(kCodePageGbk, flags, units, count, gbk.data() + written, room, nullptr, nullptr);
    if (n <= 0) {
        // The room the caller promised was too small after all: measure.
        int needed = WideCharToMultiByte(kCodePageGbk, flags, units, count, nullptr, 0, nullptr, nullptr);
        if (needed <= 0)
            return;
        gbk.resize(written + static_cast<size_t>(needed));
        n = WideCharToMultiByte(kCodePageGbk, flags, units, count, gbk.data() + written, needed, nullptr, nullptr);
        if (n <= 0)
            return;
    }
    written += static_cast<size_t>(n);
}

// Appends the GBK form of the units to gbk; bound is the most bytes that
// form can take.
void AppendGbkOfUnits(std::string& gbk, const wchar_t* units, int count, size_t bound)
{
    size_t written = gbk.size();
    gbk.resize(written + bound);

    // WC_COMPOSITECHECK makes e and a combining acute one GBK character.
    // Wine's conversion with that flag is many times slower than without,
    // and it changes nothing where no combining unit is in sight; so only
    // each run of such units, with the unit before it as its base, goes
    // through the flagged call.
    int i = 0;
    while (i < count) {
        int mark = i;
        while (mark < count && !MayCompose(units[mark]))
            ++mark;
        int base = mark == count ? count : (mark > i ? mark - 1 : mark);
        ConvertUnits(gbk, written, units + i, base - i, 0);
        int end = mark;
        while (end < count && MayCompose(units[end]))
            ++end;
        ConvertUnits(gbk, written, units + base, end - base, WC_COMPOSITECHECK);
        i = end;
    }
    gbk.resize(written);
}

// The pieces Utf8BytesToGbk converts at a time: small enough that its
// working buffers are reused from the heap, large enough that the platform
// calls cost nothing in comparison.
constexpr size_t kPieceBytes = 16 * 1024;

}  // namespace

Text Utf16BytesToGbk(const Bytes& utf16)
{
    int units = utf16.size() / 2;
    if (units == 0)
        return Text();
    std::string gbk;
    // GBK writes a unit in at most two bytes.
    AppendGbkOfUnits(gbk, UnitsOf(utf16), units, 2 * static_cast<size_t>(units));
    return Text(std::move(gbk));  // up to the first zero byte
}

size_t Utf8PieceEnd(std::string_view utf8, size_t from)
{
    for (size_t i = utf8.size(); i > std::max<size_t>(from, 1); --i) {
        size_t cut = i - 1;
        if (static_cast<unsigned char>(utf8[cut - 1]) < 0x80 && static_cast<unsigned char>(utf8[cut]) < 0x80)
            return cut;
    }
    return 0;
}

void AppendUtf8Piece(GbkFromUtf8Builder& builder, std::string_view piece)
{
    if (piece.empty())
        return;
    int length = static_cast<int>(piece.size());
    if (builder.units.size() < piece.size())
        builder.units.resize(piece.size());  // at most one unit per byte
    int units = MultiByteToWideChar(kCodePageUtf8, 0, piece.data(), length, builder.units.data(), length);
    // The GBK form of a character is never longer than its UTF-8 form, and a
    // malformed byte becomes at most one "?".
    AppendGbkOfUnits(builder.gbk, builder.units.data(), units, piece.size());
}

Text FinishGbk(GbkFromUtf8Builder& builder) { return Text(std::move(builder.gbk)); }

Text Utf8BytesToGbk(const Bytes& utf8)
{
    std::string_view rest(utf8.data(), static_cast<size_t>(utf8.size()));
    GbkFromUtf8Builder builder;
    builder.gbk.reserve(rest.size());
    while (rest.size() > kPieceBytes) {
        size_t end = Utf8PieceEnd(rest.substr(0, kPieceBytes));
        for (size_t window = 2 * kPieceBytes; end == 0 && window / 2 < rest.size(); window *= 2)
            end = Utf8PieceEnd(rest.substr(0, window), window / 2 - 1);
        if (end == 0)
            break;  // no place to cut: the rest goes in one piece
        AppendUtf8Piece(builder, rest.substr(0, end));
        rest.remove_prefix(end);
    }
    AppendUtf8Piece(builder, rest);
    return FinishGbk(builder);
}
