// URL coding: the keyword on its way to the site and the page on its way
// back, including a "%" that is no escape, which must not eat the markup
// after it.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "tests/support/text_printing.h"
#include "text/codepage.h"
#include "text/urlcode.h"

namespace {

const char kGbkZhongWen[] = "\xD6\xD0\xCE\xC4";

TEST(UrlEncode, EscapesUtf8BytesInUpperCaseHex)
{
    const struct {
        const char* keyword;
        bool keepPlain;
        const char* expected;
    } cases[] = {
        {kGbkZhongWen, false, "%E4%B8%AD%E6%96%87"},
        {kGbkZhongWen, true, "%E4%B8%AD%E6%96%87"},
        {" ", false, "%20"},
        {"\t", false, "%09"},
        {"aZ09,-./", false, "%61%5A%30%39%2C%2D%2E%2F"},
        {"aZ09,-./", true, "aZ09,-./"},
        // The neighbours of the plain ranges are escaped.
        {"+:@[`{", true, "%2B%3A%40%5B%60%7B"},
        {"a b+\xD6\xD0", true, "a%20b%2B%E4%B8%AD"},
        {"", false, ""},
        {"", true, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "keyword " << HexBytes(c.keyword) << " keepPlain " << c.keepPlain);
        EXPECT_EQ(UrlEncode(T(c.keyword), c.keepPlain), T(c.expected));
    }
    EXPECT_EQ(UrlEncode(T("a")), T("%61"));  // keepPlain left out means false
}

// A window whose handler runs a second encoding in the middle of the first,
// as a second click on Search would.
struct NestedEncoding {
    int runs = 0;
    Text result;
};
NestedEncoding nested;
constexpr UINT kEncodeNow = WM_APP + 1;

LRESULT CALLBACK NestingWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == kEncodeNow) {
        ++nested.runs;
        nested.result = UrlEncode(T(kGbkZhongWen));
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

TEST(UrlEncode, LetsTheWindowWorkAfterEveryByteWithoutLosingItsOwnState)
{
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = NestingWindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"VeskNestedEncoding";
    RegisterClassW(&windowClass);
    HWND window = CreateWindowExW(0, windowClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  windowClass.hInstance, nullptr);
    ASSERT_NE(window, nullptr);

    // Plain bytes too: they are not escaped, but the window still gets its turn.
    const struct {
        const char* keyword;
        bool keepPlain;
        const char* expected;
    } cases[] = {
        {"ab", true, "ab"},
        {"\xCE\xC4", false, "%E6%96%87"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "keyword " << HexBytes(c.keyword) << " keepPlain " << c.keepPlain);
        nested = NestedEncoding();
        PostMessageW(window, kEncodeNow, 0, 0);
        EXPECT_EQ(UrlEncode(T(c.keyword), c.keepPlain), T(c.expected));
        EXPECT_EQ(nested.runs, 1);
        EXPECT_EQ(nested.result, T("%E4%B8%AD%E6%96%87"));
    }
    DestroyWindow(window);
}

TEST(UrlDecode, DecodesOnlyPercentAndTwoHexDigits)
{
    const struct {
        const char* page;
        const char* expected;
    } cases[] = {
        {"%E4%B8%AD%E6%96%87", kGbkZhongWen},
        {"%e4%b8%ad%e6%96%87", kGbkZhongWen},
        {"%E4%B8\xAD", "\xD6\xD0"},  // escapes and raw bytes make one UTF-8 sequence
        {"%41", "A"},
        {"%00", ""},
        {"a%00b", "ab"},
        {"%25", "%"},
        {"%2541", "%41"},  // a decoded "%" starts no escape
        // A "%" that is no escape stays, and decoding goes on after it.
        {"100% Orange Juice", "100% Orange Juice"},
        {"abc%", "abc%"},
        {"abc%4", "abc%4"},
        {"%G1", "%G1"},
        {"%1G", "%1G"},
        {"%%41", "%A"},
        {"50%</h5>", "50%</h5>"},
        {"%u4E2D", "%u4E2D"},
        {"a+b", "a+b"},
        // Without any "%", the page is only converted from UTF-8.
        {"\xE4\xB8\xAD\xE6\x96\x87", kGbkZhongWen},
        {"<div class=\"r\">", "<div class=\"r\">"},
        {"", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "page " << HexBytes(c.page));
        EXPECT_EQ(UrlDecode(T(c.page)), T(c.expected));
    }
}

TEST(UrlDecode, LargePagesDecodeAsTheirPartsDo)
{
    // Pages are decoded a stretch at a time; escapes, UTF-8 sequences and
    // composite characters that straddle a stretch's end must come out whole.
    // Each part is repeated far past one stretch, at a length that puts the
    // stretch ends at every offset within it.
    const char* parts[] = {
        "%E4%B8%AD",      // no ASCII at all once decoded: nowhere to cut
        "e%CC%81,",       // composed into one character
        "100% Orange ",   // a "%" that is no escape
        "x\xE4\xB8y",     // a cut-off sequence
        "\xE6\x96\x87%4",
    };
    for (const char* part : parts) {
        SCOPED_TRACE(testing::Message() << "part " << HexBytes(part));
        std::string page, expected;
        std::string decodedPart = UrlDecode(T(part)).str();
        while (page.size() < 300'000) {
            page += part;
            expected += decodedPart;
        }
        Text decoded = UrlDecode(Text(page));
        ASSERT_EQ(TextLength(decoded), static_cast<int32_t>(expected.size()));
        EXPECT_TRUE(decoded == Text(expected));  // the values are too long to print
    }
}

TEST(UrlDecode, KeepsAResultBlockWhoseTitleEndsInPercent)
{
    // Two result blocks as the site sends them; the first title ends in "%".
    // Decoding must leave every byte of the markup, so both blocks still
    // read as result rows.
    auto block = [](const std::string& title) {
        return "\t<div class=\"r\">\r\n\t\t\t\t<a href=\"/hash/1\" target=\"_blank\" class=\"link\">\r\n"
               "\t\t\t\t\t<h5 class=\"h\">" + title + "</h5>\r\n\t\t\t\t</a>\r\n";
    };
    std::string utf8Page = block("\xE6\x96\x87 100%") + block("%E4%B8%AD");
    std::string gbkPage = block("\xCE\xC4 100%") + block("\xD6\xD0");

    Text decoded = UrlDecode(Text(utf8Page));
    EXPECT_EQ(decoded, Text(gbkPage));
    EXPECT_NE(FindText(decoded, T("100%</h5>")), -1);
}

}  // namespace
