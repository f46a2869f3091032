// The text model: its edge behaviour is what the other parts of the program
// rely on, so the edges are what these tables pin down.
#include <gtest/gtest.h>

#include "tests/support/text_printing.h"
#include "text/text.h"

namespace {

// Two GBK characters: 中 (D6 D0) and 文 (CE C4).
const char kZhongWen[] = "\xD6\xD0\xCE\xC4";

TEST(TextValue, HoldsNoZeroByte)
{
    EXPECT_EQ(Text("ab\0cd", 5), T("ab"));
    EXPECT_EQ(Text(std::string("x\0y", 3)), T("x"));
    EXPECT_EQ(TextLength(Text()), 0);
    EXPECT_EQ(TextLength(T(kZhongWen)), 4);
}

struct CutCase {
    const char* text;
    int start;  // ignored by Left and Right
    int count;
    const char* left;
    const char* right;
    const char* mid;
};

TEST(TextCuts, LeftRightMidClampAndCountBytes)
{
    const CutCase cases[] = {
        {"abcdef", 1, 0, "", "", ""},
        {"abcdef", 1, -3, "", "", ""},
        {"abcdef", 1, 2, "ab", "ef", "ab"},
        {"abcdef", 3, 2, "ab", "ef", "cd"},
        {"abcdef", 5, 10, "abcdef", "abcdef", "ef"},
        {"abcdef", 0, 2, "ab", "ef", ""},   // Mid does not move start 0 up to 1
        {"abcdef", -1, 2, "ab", "ef", ""},
        {"abcdef", 6, 1, "a", "f", "f"},
        {"abcdef", 7, 1, "a", "f", ""},     // one past the length
        {"", 1, 1, "", "", ""},
        // Bytes, not characters: a two-byte character may be cut in half.
        {kZhongWen, 2, 3, "\xD6\xD0\xCE", "\xD0\xCE\xC4", "\xD0\xCE\xC4"},
        {kZhongWen, 3, 1, "\xD6", "\xC4", "\xCE"},
    };
    for (const CutCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "text " << HexBytes(c.text) << " start " << c.start << " count " << c.count);
        EXPECT_EQ(LeftText(T(c.text), c.count), T(c.left));
        EXPECT_EQ(RightText(T(c.text), c.count), T(c.right));
        EXPECT_EQ(MidText(T(c.text), c.start, c.count), T(c.mid));
    }
}

struct FindCase {
    const char* text;
    const char* sought;
    int start;
    bool ignoreCase;
    int expected;
};

TEST(FindText, PositionsStartsAndEmptySought)
{
    const FindCase cases[] = {
        {"abcabc", "c", 1, false, 3},
        {"abcabc", "c", 4, false, 6},
        {"abcabc", "c", 7, false, -1},
        {"abcabc", "x", 1, false, -1},
        {"abcabc", "abc", 0, false, 1},    // start 0 searches from the first byte
        {"abcabc", "abc", -5, false, 1},
        {"abc", "abcd", 1, false, -1},     // longer than the text
        {"abc", "", 1, false, 1},
        {"abc", "", 3, false, 1},          // 1, not the start
        {"abc", "", 4, false, -1},         // start past the length
        {"", "", 1, false, -1},
        {"", "a", 1, false, -1},
    };
    for (const FindCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "find " << c.sought << " in " << c.text << " from " << c.start);
        EXPECT_EQ(FindText(T(c.text), T(c.sought), c.start, c.ignoreCase), c.expected);
    }
}

TEST(FindText, WalksWholeCharacters)
{
    const FindCase cases[] = {
        // D0 CE lies across the boundary of 中 and 文 and is no character.
        {kZhongWen, "\xD0\xCE", 1, false, -1},
        {kZhongWen, "\xCE\xC4", 1, false, 3},
        // A start on the second byte of a character walks from there all the same.
        {kZhongWen, "\xD0\xCE", 2, false, 2},
        // The byte after a lead byte is never a match start of its own: "a" in 81 61.
        {"\x81" "a" "a", "a", 1, false, 3},
        // A lone last lead byte ends the search.
        {"x\x81", "y", 1, false, -1},
        {"a\xD6\xD0" "b", "b", 1, false, 4},
    };
    for (const FindCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "find " << HexBytes(c.sought) << " in " << HexBytes(c.text));
        EXPECT_EQ(FindText(T(c.text), T(c.sought), c.start, c.ignoreCase), c.expected);
    }
}

TEST(FindText, IgnoreCaseFoldsAsciiLettersOfEveryByte)
{
    const FindCase cases[] = {
        {"xABc", "abC", 1, true, 2},
        {"xABc", "abC", 1, false, -1},
        // Second bytes fold too: 81 41 and 81 61 match under ignoreCase.
        {"\x81\x41", "\x81\x61", 1, true, 1},
        {"\x81\x41", "\x81\x61", 1, false, -1},
        // Full-width A (A3 C1) and full-width a (A3 E1) never match.
        {"\xA3\xC1", "\xA3\xE1", 1, true, -1},
        {"<SPAN class='HighLight'>", "<span class='highlight'>", 1, true, 1},
    };
    for (const FindCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "find " << HexBytes(c.sought) << " in " << HexBytes(c.text));
        EXPECT_EQ(FindText(T(c.text), T(c.sought), c.start, c.ignoreCase), c.expected);
    }
}

TEST(FindText, DefaultsAreStartOneAndExactCase)
{
    EXPECT_EQ(FindText(T("aAa"), T("A")), 2);
}

struct ReplaceAtCase {
    const char* text;
    int start;
    int count;
    const char* replacement;
    const char* expected;
};

TEST(ReplaceAt, ClampsStartAndCount)
{
    const ReplaceAtCase cases[] = {
        {"abcdef", 2, 3, "XY", "aXYef"},
        {"abcdef", 0, 1, "X", "Xbcdef"},     // start 0 acts as 1
        {"abcdef", -4, 2, "", "cdef"},
        {"abcdef", 9, 2, "XY", "abcdefXY"},  // past the end appends
        {"abcdef", 3, -1, "XY", "abXYcdef"}, // negative count deletes nothing
        {"abcdef", 3, 0, "", "abcdef"},
        {"abcdef", 5, 99, "", "abcd"},
        {"", 1, 1, "X", "X"},
    };
    for (const ReplaceAtCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.text << " start " << c.start << " count " << c.count);
        EXPECT_EQ(ReplaceAt(T(c.text), c.start, c.count, T(c.replacement)), T(c.expected));
    }
    EXPECT_EQ(ReplaceAt(T("https://x"), 1, 7), T("/x"));  // without a replacement it only deletes
}

struct ReplaceAllCase {
    const char* text;
    const char* old;
    const char* replacement;
    int start;
    int count;
    bool caseSensitive;
    const char* expected;
};

TEST(ReplaceAll, CountsStartsAndCase)
{
    const ReplaceAllCase cases[] = {
        {"a-a-a", "a", "b", 1, kNoLimit, true, "b-b-b"},
        {"a-a-a", "a", "b", 1, 1, true, "b-a-a"},
        {"a-a-a", "a", "b", 2, 1, true, "a-b-a"},    // the first occurrence at or after start
        {"a-a-a", "a", "b", 1, 0, true, "a-a-a"},    // count 0: unchanged
        {"a-a-a", "a", "b", 1, -7, true, "b-b-b"},   // a negative count sets no limit
        {"a-a-a", "", "b", 1, kNoLimit, true, "a-a-a"},
        {"a-a-a", "a", "b", 6, kNoLimit, true, "a-a-a"},  // start past the end
        {"a-a-a", "a", "b", 0, kNoLimit, true, "b-b-b"},
        {"", "a", "b", 1, kNoLimit, true, ""},
        {"Word word WORD", "word", "x", 1, kNoLimit, false, "x x x"},
        {"Word word WORD", "word", "x", 1, kNoLimit, true, "Word x WORD"},
        {"aaa", "aa", "b", 1, kNoLimit, true, "ba"},          // left to right, no overlap
        {"ab", "a", "aa", 1, kNoLimit, true, "aab"},          // the replacement is not searched again
        {"http://a/http://b", "http://", "", 1, kNoLimit, true, "a/b"},
    };
    for (const ReplaceAllCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.text << " old " << c.old << " start " << c.start << " count " << c.count);
        EXPECT_EQ(ReplaceAll(T(c.text), T(c.old), T(c.replacement), c.start, c.count, c.caseSensitive),
                  T(c.expected));
    }
}

TEST(ReplaceAll, WalksWholeCharacters)
{
    const ReplaceAllCase cases[] = {
        // D0 CE across the characters' boundary is not replaced.
        {kZhongWen, "\xD0\xCE", "x", 1, kNoLimit, true, kZhongWen},
        {kZhongWen, "\xCE\xC4", "x", 1, kNoLimit, true, "\xD6\xD0x"},
        // A lone last lead byte is dropped where the walk reaches it ...
        {"ab\x81", "b", "c", 1, kNoLimit, true, "ac"},
        {"a\x81", "x", "y", 1, kNoLimit, true, "a"},
        // ... but stays when the walk stopped before it.
        {"ab\x81", "b", "c", 1, 1, true, "ac\x81"},
    };
    for (const ReplaceAllCase& c : cases) {
        SCOPED_TRACE(testing::Message() << HexBytes(c.text) << " old " << HexBytes(c.old));
        EXPECT_EQ(ReplaceAll(T(c.text), T(c.old), T(c.replacement), c.start, c.count, c.caseSensitive),
                  T(c.expected));
    }
}

TEST(LetterCase, OnlyAsciiLettersOfOneByteCharactersChange)
{
    struct Case {
        const char* text;
        const char* upper;
        const char* lower;
    };
    const Case cases[] = {
        {"abXY09", "ABXY09", "abxy09"},
        {"\xA3\xE1\xA3\xC1", "\xA3\xE1\xA3\xC1", "\xA3\xE1\xA3\xC1"},  // full-width letters stay
        {"\x81\x61" "a", "\x81\x61" "A", "\x81\x61" "a"},             // a second byte is no letter
        {"a\x81", "A\x81", "a\x81"},                                    // a lone last byte stays
        {"", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(HexBytes(c.text));
        EXPECT_EQ(ToUpperText(T(c.text)), T(c.upper));
        EXPECT_EQ(ToLowerText(T(c.text)), T(c.lower));
    }
}

TEST(Blanks, TrimBothEndsAndRemoveAllSpaces)
{
    struct Case {
        const char* text;
        const char* trimmed;
        const char* withoutSpaces;
    };
    const Case cases[] = {
        {"  a b  ", "a b", "ab"},
        {"\xA1\xA1" "a\xA1\xA1" "b\xA1\xA1 ", "a\xA1\xA1" "b", "ab"},
        {"\ta b\r\n", "\ta b\r\n", "\tab\r\n"},   // tabs and line ends are no blanks
        {" \t x", "\t x", "\tx"},
        {"   ", "", ""},
        {"", "", ""},
        // A1 A1 counts only where a character begins: here it is the tail of
        // B0 A1 followed by A1 A1.
        {"\xB0\xA1\xA1\xA1", "\xB0\xA1", "\xB0\xA1"},
        // A lone last lead byte is dropped; the blanks before it stay.
        {" a \x81", "a ", "a"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(HexBytes(c.text));
        EXPECT_EQ(TrimBothEnds(T(c.text)), T(c.trimmed));
        EXPECT_EQ(RemoveAllSpaces(T(c.text)), T(c.withoutSpaces));
    }
}

TEST(ToNumber, ReadsTheLongestDecimalBeginning)
{
    struct Case {
        const char* text;
        double expected;
    };
    const Case cases[] = {
        {"80", 80},
        {"\xA3\xB8\xA3\xB0", 80},        // full-width digits
        {"\xA3\xAD\xA3\xB1\xA3\xAE\xA3\xB5", -1.5},  // full-width minus, 1, point, 5
        {"\xA1\xA1" "7", 7},             // full-width blank skipped
        {"12abc", 12},
        {"abc", 0},
        {"", 0},
        {"0x1A", 0},                     // no hexadecimal
        {"  \t\r\n-3.25e2x", -325},
        {"+.5", 0.5},
        {"5.", 5},
        {".", 0},
        {"1e", 1},                       // an exponent needs digits
        {"2E+3", 2000},
        {"inf", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(HexBytes(c.text));
        EXPECT_DOUBLE_EQ(ToNumber(T(c.text)), c.expected);
    }
}

TEST(Formatting, HexDecimalCharAndBlanks)
{
    EXPECT_EQ(ToHexText(10), T("A"));
    EXPECT_EQ(ToHexText(255), T("FF"));
    EXPECT_EQ(ToHexText(0), T("0"));
    EXPECT_EQ(ToHexText(-1), T("FFFFFFFF"));
    EXPECT_EQ(NumberToText(0), T("0"));
    EXPECT_EQ(NumberToText(-42), T("-42"));
    EXPECT_EQ(NumberToText(2147483647), T("2147483647"));
    EXPECT_EQ(CharText(0), T(""));
    EXPECT_EQ(CharText(65), T("A"));
    EXPECT_EQ(CharText(321), T("A"));  // the low 8 bits
    EXPECT_EQ(CharText(256), T(""));
    EXPECT_EQ(CharText(0xD6), T("\xD6"));
    EXPECT_EQ(BlankText(3), T("   "));
    EXPECT_EQ(BlankText(0), T(""));
    EXPECT_EQ(BlankText(-2), T(""));
    EXPECT_EQ(BlankBytes(3), B(std::string(3, '\0')));
    EXPECT_EQ(BlankBytes(-1), Bytes());
}

TEST(BytesValues, ConversionsAndCuts)
{
    const Bytes withZero = B(std::string("ab\0cd", 5));
    EXPECT_EQ(BytesLength(withZero), 5);
    EXPECT_EQ(BytesToText(withZero), T("ab"));
    EXPECT_EQ(BytesToText(B("abc")), T("abc"));
    EXPECT_EQ(TextToBytes(T("")), Bytes());
    EXPECT_EQ(TextToBytes(T(kZhongWen)), B(kZhongWen));
    EXPECT_EQ(BytesLeft(withZero, 3), B(std::string("ab\0", 3)));
    EXPECT_EQ(BytesLeft(withZero, 99), withZero);
    EXPECT_EQ(BytesLeft(withZero, -1), Bytes());
    EXPECT_EQ(ConcatBytes(withZero, B("x"), Bytes()), B(std::string("ab\0cdx", 6)));
}

TEST(ConcatText, JoinsAllParts)
{
    EXPECT_EQ(ConcatText(T("a"), T("")), T("a"));
    EXPECT_EQ(ConcatText(T(""), T("")), T(""));
    EXPECT_EQ(ConcatText(T("http://"), T("h"), "/search?keyword=", T("%61"), "&p=", NumberToText(2)),
              T("http://h/search?keyword=%61&p=2"));
}

TEST(CompareText, ByteOrderAndCaseFolding)
{
    struct Case {
        const char* first;
        const char* second;
        int bytes;        // caseSensitive omitted (or true)
        int folded;       // caseSensitive false
    };
    const Case cases[] = {
        {"a", "B", 1, -1},            // lower-case a after upper-case B, before it when folded
        {"abc", "abc", 0, 0},
        {"ab", "abc", -1, -1},        // a proper beginning is the smaller
        {"abc", "ab", 1, 1},
        {"", "", 0, 0},
        {"", "a", -1, -1},
        {"HTTP://", "http://", -1, 0},
        {"\x80", "\x7F", 1, 1},       // bytes compare unsigned
        // Full-width a (A3 E1) and A (A3 C1) are equal when folded.
        {"\xA3\xE1", "\xA3\xC1", 1, 0},
        // Greek small alpha (A6 C1) against capital alpha (A6 A1).
        {"\xA6\xC1", "\xA6\xA1", 1, 0},
        {kZhongWen, kZhongWen, 0, 0},
        {"\xD6\xD0", "\xD6\xD1", -1, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << HexBytes(c.first) << " vs " << HexBytes(c.second));
        EXPECT_EQ(CompareText(T(c.first), T(c.second)), c.bytes);
        EXPECT_EQ(CompareText(T(c.first), T(c.second), true), c.bytes);
        EXPECT_EQ(CompareText(T(c.first), T(c.second), false), c.folded);
    }
}

}  // namespace
