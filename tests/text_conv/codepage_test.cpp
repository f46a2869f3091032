// Code-page conversions: the byte vectors the program depends on, the edges
// of the buffer sizing, and the simplified-Chinese table that stands in where
// the platform has no mapping.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "tests/support/text_printing.h"
#include "text/codepage.h"
#include "text/simplified.h"

namespace {

// 中文 in the three encodings.
const char kGbkZhongWen[] = "\xD6\xD0\xCE\xC4";
const char kUtf8ZhongWen[] = "\xE4\xB8\xAD\xE6\x96\x87";
const char kBig5ZhongWen[] = "\xA4\xA4\xA4\xE5";

// 資料 in Big5 and GBK, and 资料 in GBK.
const char kBig5ZiLiao[] = "\xB8\xEA\xAE\xC6";
const char kGbkTraditionalZiLiao[] = "\xD9\x59\xC1\xCF";
const char kGbkSimplifiedZiLiao[] = "\xD7\xCA\xC1\xCF";

struct TextCase {
    const char* input;
    const char* expected;
};

TEST(CodePage, GbkToUtf8AndBack)
{
    const TextCase cases[] = {
        {kGbkZhongWen, kUtf8ZhongWen},
        {"Vesk 1.0, search?", "Vesk 1.0, search?"},  // ASCII stays as it is
        {"\xA8\xA6", "\xC3\xA9"},                    // é
        {"", ""},
    };
    for (const TextCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "GBK " << HexBytes(c.input));
        EXPECT_EQ(GbkToUtf8(T(c.input)), T(c.expected));
        EXPECT_EQ(Utf8ToGbk(T(c.expected)), T(c.input));
        EXPECT_EQ(Utf8BytesToGbk(B(c.expected)), T(c.input));
    }
}

TEST(CodePage, MalformedUtf8IsConvertedWhole)
{
    // Read as GBK, C1 CF is one character; read as UTF-8 it is two bytes that
    // start nothing. A buffer sized by the GBK reading would hold only part
    // of the replacement characters; every one of them must come out.
    const TextCase cases[] = {
        {"\xC1\xCF\xC1\xCF", "????"},
        {"a\xC1\xCF" "b", "a??b"},
    };
    for (const TextCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "UTF-8 " << HexBytes(c.input));
        EXPECT_EQ(Utf8ToGbk(T(c.input)), T(c.expected));
    }
}

TEST(CodePage, Big5ToGbkStopsAtTheFirstCharacterGbkLacks)
{
    const TextCase cases[] = {
        {kBig5ZhongWen, kGbkZhongWen},
        {kBig5ZiLiao, kGbkTraditionalZiLiao},
        // A1 45 is the hyphenation point U+2027, which GBK does not have.
        {"\xA4\xA4\xA4\xE5\xA1\x45\xA4\xA4", kGbkZhongWen},
        {"\xA1\x45\xA4\xA4", ""},
        {"abc", "abc"},
        {"", ""},
    };
    for (const TextCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "Big5 " << HexBytes(c.input));
        EXPECT_EQ(Big5ToGbk(T(c.input)), T(c.expected));
    }
}

TEST(CodePage, Big5ToSimplifiedGbk)
{
    const TextCase cases[] = {
        {kBig5ZiLiao, kGbkSimplifiedZiLiao},
        {"a\xB8\xEA" "b", "a\xD7\xCA" "b"},
        {kBig5ZhongWen, kGbkZhongWen},  // nothing to simplify
        {"", ""},
    };
    for (const TextCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "Big5 " << HexBytes(c.input));
        EXPECT_EQ(Big5ToSimplifiedGbk(T(c.input)), T(c.expected));
    }
}

TEST(CodePage, ToSimplifiedChineseMapsWholeCharactersOnly)
{
    const TextCase cases[] = {
        {kGbkTraditionalZiLiao, kGbkSimplifiedZiLiao},
        {"資料後髮亂", "资料后发乱"},
        {"体育 sports 中文", "体育 sports 中文"},
        // B0 D9 is 百; the D9 59 that its second byte and the Y make is not
        // the character 資 and stays.
        {"\xB0\xD9\x59", "\xB0\xD9\x59"},
        // A lone last first byte stays, and so does everything before it.
        {"\xD9\x59\xD9", "\xD7\xCA\xD9"},
        {"", ""},
    };
    for (const TextCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "GBK " << HexBytes(c.input));
        Text simplified = ToSimplifiedChinese(T(c.input));
        EXPECT_EQ(simplified, T(c.expected));
        EXPECT_EQ(TextLength(simplified), TextLength(T(c.input)));
    }
}

TEST(CodePage, SimplifiedTableHoldsGbkCharacterPairs)
{
    std::span<const SimplifiedPair> table = SimplifiedTable();
    ASSERT_FALSE(table.empty());
    auto decodesToOneUnit = [](uint16_t code) {
        char bytes[2] = {static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
        wchar_t units[4] = {};
        int n = MultiByteToWideChar(936, MB_ERR_INVALID_CHARS, bytes, 2, units, 4);
        return n == 1 ? units[0] : wchar_t(0);
    };
    for (size_t i = 0; i < table.size(); ++i) {
        const SimplifiedPair& pair = table[i];
        SCOPED_TRACE(testing::Message() << std::hex << "pair " << pair.traditional << " " << pair.simplified);
        if (i > 0) {
            EXPECT_LT(table[i - 1].traditional, pair.traditional);  // sorted, no key twice
        }
        // Both sides are real characters of this platform's code page 936
        // (the generator read them through another GBK table) and differ.
        wchar_t traditional = decodesToOneUnit(pair.traditional);
        wchar_t simplified = decodesToOneUnit(pair.simplified);
        EXPECT_NE(traditional, 0);
        EXPECT_NE(simplified, 0);
        EXPECT_NE(traditional, simplified);
        EXPECT_EQ(SimplifiedFormOf(pair.traditional), pair.simplified);
    }
    EXPECT_EQ(SimplifiedFormOf(0xD6D0), 0);  // 中 has no other form
    EXPECT_EQ(SimplifiedFormOf(0x0041), 0);
}

TEST(CodePage, Utf16BytesToGbk)
{
    const struct {
        std::string utf16;
        const char* expected;
    } cases[] = {
        {std::string("\x2D\x4E\x87\x65", 4), kGbkZhongWen},
        {std::string("\x2D\x4E\x41", 3), "\xD6\xD0"},              // odd last byte ignored
        {std::string("\x65\x00\x01\x03", 4), "\xA8\xA6"},          // e + combining acute
        {std::string("\x01\x0E", 2), "?"},                         // Thai ko kai: not in GBK
        {std::string("\x41\x00\x00\x00\x42\x00", 6), "A"},         // up to the first zero
        {std::string("\x41", 1), ""},
        {std::string(), ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "UTF-16 " << HexBytes(c.utf16));
        EXPECT_EQ(Utf16BytesToGbk(B(c.utf16)), T(c.expected));
    }
}

TEST(CodePage, Utf16BytesToGbkComposesAsOneFlaggedCallWould)
{
    // The conversion takes only the stretches around combining units through
    // the slow flagged call; the result must be that of one call over all.
    const std::wstring cases[] = {
        L"\u4E2De\u0301\u6587",          // 中é文
        L"\u0301e",                      // a mark with nothing before it
        L"abc\u0301",                    // a mark at the end
        L"e\u0301\u0301x",               // two marks after one base
        L"\u4E2D\U0001F600\u6587",       // a surrogate pair among Chinese
        L"\uAC00\u11A8 \u1100\u1161",    // Hangul syllable and jamo
        L"\u304B\u3099\u30AB",           // kana with the sound mark
        L"\u00E9\u4E2D\u3000\uFF21",     // no mark at all
        L"a\u0300b\u0301c\u0302d",
    };
    for (const std::wstring& units : cases) {
        Bytes utf16(units.data(), 2 * units.size());
        SCOPED_TRACE(testing::Message() << "UTF-16 " << HexBytes(utf16.str()));
        int size = WideCharToMultiByte(936, WC_COMPOSITECHECK, units.data(), static_cast<int>(units.size()),
                                       nullptr, 0, nullptr, nullptr);
        std::string whole(static_cast<size_t>(size), '\0');
        WideCharToMultiByte(936, WC_COMPOSITECHECK, units.data(), static_cast<int>(units.size()), whole.data(),
                            size, nullptr, nullptr);
        EXPECT_EQ(Utf16BytesToGbk(utf16), Text(whole));
    }
}

TEST(CodePage, Utf8BytesToGbk)
{
    const struct {
        std::string utf8;
        const char* expected;
    } cases[] = {
        {kUtf8ZhongWen, kGbkZhongWen},
        {"\x65\xCC\x81", "\xA8\xA6"},  // composed into é
        {std::string("a\0b", 3), "a"},
        {"", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "UTF-8 " << HexBytes(c.utf8));
        EXPECT_EQ(Utf8BytesToGbk(B(c.utf8)), T(c.expected));
    }
}

TEST(CodePage, LargeUtf8ConvertsPieceByPieceAsInOneGo)
{
    // Pages are converted a piece at a time; cut anywhere else than between
    // two ASCII bytes, a piece would split a UTF-8 sequence or part an e from
    // its combining accent. The oracle is the conversion over the whole.
    const std::string parts[] = {
        "<td>\xE4\xB8\xAD\xE6\x96\x87</td>\r\n",  // markup and Chinese
        "e\xCC\x81",                                // e + combining acute
        "x\xE4\xB8y",                               // a cut-off sequence
        "\xC1\xCF",                                 // bytes that start nothing
        "\xF0\x9F\x98\x80",                         // beyond the first plane
        "a",
        "\xE4\xB8\xAD",
    };
    std::string page;
    uint32_t seed = 12345;
    while (page.size() < 400'000) {
        seed = seed * 1103515245 + 12345;
        page += parts[(seed >> 16) % std::size(parts)];
    }
    // A long stretch without two ASCII bytes in a row, where no cut is allowed.
    for (int i = 0; i < 50'000; ++i)
        page += "\xE4\xB8\xAD" "e\xCC\x81";
    page += "<end>";

    Bytes utf8 = B(page);
    Text expected = Utf16BytesToGbk(Utf8BytesToUtf16(utf8));
    Text converted = Utf8BytesToGbk(utf8);
    ASSERT_EQ(TextLength(converted), TextLength(expected));
    EXPECT_TRUE(converted == expected);  // the values are too long to print
}

TEST(CodePage, Utf8PieceEndCutsBetweenTwoAsciiBytes)
{
    EXPECT_EQ(Utf8PieceEnd("ab\xE4\xB8\xAD"), 1u);
    EXPECT_EQ(Utf8PieceEnd("\xE4\xB8\xAD" "ab" "e\xCC\x81"), 5u);  // the e stays with its accent
    EXPECT_EQ(Utf8PieceEnd("abc", 2), 2u);
    EXPECT_EQ(Utf8PieceEnd("a\xE4\xB8\xAD" "b"), 0u);
    EXPECT_EQ(Utf8PieceEnd("ab"), 1u);
    EXPECT_EQ(Utf8PieceEnd("a"), 0u);
    EXPECT_EQ(Utf8PieceEnd(""), 0u);
}

TEST(CodePage, Utf8BytesToUtf16AddsNoZeroUnit)
{
    EXPECT_EQ(Utf8BytesToUtf16(B(kUtf8ZhongWen)), B(std::string("\x2D\x4E\x87\x65", 4)));
    EXPECT_EQ(Utf8BytesToUtf16(B("A")), B(std::string("\x41\x00", 2)));
    EXPECT_EQ(Utf8BytesToUtf16(Bytes()), Bytes());
}

TEST(CodePage, TextToUtf16EndsInZeroUnits)
{
    EXPECT_EQ(TextToUtf16(Text()), B(std::string("\0\0", 2)));
    EXPECT_EQ(TextToUtf16(T("A"), 936), B(std::string("A\0\0\0", 4)));
    EXPECT_EQ(TextToUtf16(T(kGbkZhongWen), 936), B(std::string("\x2D\x4E\x87\x65\0\0", 6)));

    // Sized by the GBK reading of the bytes, the UTF-8 reading fills fewer
    // units; the rest of the buffer stays zero.
    Bytes utf16 = TextToUtf16(T(kUtf8ZhongWen));
    ASSERT_GE(utf16.size(), 6);
    EXPECT_EQ(BytesLeft(utf16, 6), B(std::string("\x2D\x4E\x87\x65\0\0", 6)));
    EXPECT_EQ(utf16.str().find_first_not_of('\0', 4), std::string::npos) << HexBytes(utf16.str());
}

TEST(CodePage, Utf16ToTextReadsUpToTheFirstZeroUnit)
{
    const struct {
        std::string utf16;
        uint32_t codePage;
        const char* expected;
    } cases[] = {
        {std::string("\x2D\x4E\0\0\x41\0", 6), 936, "\xD6\xD0"},
        {std::string("\x2D\x4E\0\0", 4), 65001, "\xE4\xB8\xAD"},
        {std::string("\x2D\x4E\x87\x65", 4), 936, kGbkZhongWen},  // no zero unit: all units
        {std::string("\0\0", 2), 936, ""},
        {std::string(), 936, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "UTF-16 " << HexBytes(c.utf16) << " code page " << c.codePage);
        EXPECT_EQ(Utf16ToText(B(c.utf16), c.codePage), T(c.expected));
    }
}

}  // namespace
