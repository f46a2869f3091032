// Result page extraction against the real main window: the rows that a page
// gives, their cleaned titles, the search time in the status bar, and the
// quiet results of pages without blocks or without an engine.
#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>

#include <array>
#include <span>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "app/program.h"
#include "regex/regex_object.h"
#include "search/extract.h"
#include "search/search.h"
#include "tests/support/text_printing.h"
#include "text/text.h"
#include "text/wide.h"

#define VESK_WIDE2(x) L##x
#define VESK_WIDE(x) VESK_WIDE2(x)

namespace {

// The fixture pages are what the local index site sends for a search, in
// UTF-8 with its CR LF line ends. They hold no percent escapes, so turning
// them into the program's page text is the conversion to GBK alone. Their
// link icon address is the default one; a build for another site gets its
// own address put in.
constexpr char kDefaultLinkIconUrl[] = "http://127.0.0.1:18080/images/link.png";

Text ReadFixturePage(const wchar_t* name)
{
    // Wine's drive Z: is the Linux root, where the sources are.
    std::wstring path = std::wstring(L"Z:") + VESK_WIDE(VESK_EXTRACT_FIXTURES) + L"/" + name;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        ADD_FAILURE() << "cannot open the fixture page " << GbkFromWide(path).str();
        return Text();
    }
    std::string utf8;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
        utf8.append(buffer, got);
    CloseHandle(file);
    int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), n);
    return ReplaceAll(GbkFromWide(wide), kDefaultLinkIconUrl, VESK_LINK_ICON_URL, 1, kNoLimit, true);
}

using Row = std::array<const char*, 5>;

// The rows of results.html: the broken blocks (an ASCII colon after 大小, an
// extra attribute on the title link) give none.
const Row kPageOneRows[] = {
    {"Ubuntu 22.04 LTS 桌面版", "2023-04-21", "4.69 GB", "1",
     "magnet:?xt=urn:btih:3b245504cf5f11bbdbe1201cea6a6bf45aee1bc0&amp;dn=ubuntu-22.04.2-desktop-amd64.iso"},
    // Two highlights in one title; a size with a leading blank, kept as captured.
    {"乌班图入门乌班图教程", "2022-11-03", " 700 MB", "12",
     "magnet:?xt=urn:btih:a1b2c3d4e5f60718293a4b5c6d7e8f9012345678&amp;dn=wubantu-rumen-jiaocheng"},
    // Upper-case tags, inside the title and outside the groups.
    {"Linux Ubuntu 镜像合集", "2020-06-30", "15.2 GB", "48",
     "magnet:?xt=urn:btih:0f1e2d3c4b5a69788796a5b4c3d2e1f00f1e2d3c&amp;dn=linux-mirrors"},
    // The hint span begins like the highlight tag, so the first pass takes
    // everything from it through the end of the highlight tag.
    {"Ubuntu 服务器版", "2024-02-14", "2.1 GB", "2",
     "magnet:?xt=urn:btih:1234567890abcdef1234567890abcdef12345678&amp;dn=ubuntu-server"},
    // A closing span without an opening one goes as well.
    {"ubuntu 软件源镜像", "2019-09-09", "380.5 MB", "1024",
     "magnet:?xt=urn:btih:fedcba0987654321fedcba0987654321fedcba09&amp;dn=ubuntu-sources"},
};

const Row kPageTwoRows[] = {
    {"Ubuntu 20.04 精简版", "2020-04-23", "1.1 GB", "1",
     "magnet:?xt=urn:btih:c0ffee0001c0ffee0001c0ffee0001c0ffee0001&amp;dn=ubuntu-20.04-mini"},
    {"老版本ubuntu合集 &amp; 说明", "2015-12-31", "60 GB", "230",
     "magnet:?xt=urn:btih:c0ffee0002c0ffee0002c0ffee0002c0ffee0002&amp;dn=old-ubuntu"},
};

void ExpectRows(int32_t firstRow, std::span<const Row> expected)
{
    for (size_t i = 0; i < expected.size(); ++i) {
        int32_t row = firstRow + static_cast<int32_t>(i);
        for (int32_t column = 0; column < 5; ++column) {
            SCOPED_TRACE(testing::Message() << "row " << row << " column " << column);
            EXPECT_EQ(CellText(row, column), T(expected[i][column]));
        }
    }
}

void FillFrom(const wchar_t* fixture)
{
    lastPageText = ReadFixturePage(fixture);
    ASSERT_FALSE(lastPageText.empty());
    FillResultRows();
}

class Extraction : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        SetUpResultRegex();
        ASSERT_TRUE(CreateMainWindow(SW_SHOWNORMAL));
    }
    static void TearDownTestSuite()
    {
        if (mainWindow.window)
            DestroyWindow(mainWindow.window);
        ReleaseResultRegex();
        lastPageText = Text();
    }
    void SetUp() override
    {
        ClearRows();
        SetStatusText(0, "before");
        lastPageText = Text();
    }
};

TEST_F(Extraction, OneRowPerResultBlockWithCleanTitles)
{
    FillFrom(L"results.html");
    ASSERT_EQ(RowCount(), 5);
    ExpectRows(0, kPageOneRows);
    EXPECT_EQ(StatusText(0), T("0.35秒"));
}

TEST_F(Extraction, RowsOfTheNextPageComeAfterThoseAlreadyThere)
{
    FillFrom(L"results.html");
    FillFrom(L"results_page2.html");
    ASSERT_EQ(RowCount(), 7);
    ExpectRows(0, kPageOneRows);
    ExpectRows(5, kPageTwoRows);
    EXPECT_EQ(StatusText(0), T("0.11秒"));
}

TEST_F(Extraction, TheTitleLinkIsNeverShown)
{
    FillFrom(L"results.html");
    ASSERT_EQ(RowCount(), 5);
    for (int32_t row = 0; row < RowCount(); ++row) {
        for (int32_t column = 0; column < 5; ++column) {
            SCOPED_TRACE(testing::Message() << "row " << row << " column " << column);
            EXPECT_EQ(FindText(CellText(row, column), "/detail/"), -1);
        }
    }
}

struct QuietPageCase {
    const wchar_t* fixture;  // null: the empty page text of a failed request
    int32_t rows;
    const char* status;
};

TEST_F(Extraction, PagesWithoutBlocksOrTimeGiveFewerRowsAndAnEmptierStatus)
{
    const QuietPageCase cases[] = {
        {L"no_results.html", 0, "0.02秒"},
        {L"no_costs.html", 1, "秒"},
        {nullptr, 0, "秒"},
    };
    for (const QuietPageCase& c : cases) {
        SCOPED_TRACE(c.fixture ? GbkFromWide(c.fixture).str() : "empty page");
        ClearRows();
        SetStatusText(0, "before");
        lastPageText = c.fixture ? ReadFixturePage(c.fixture) : Text();
        FillResultRows();
        EXPECT_EQ(RowCount(), c.rows);
        EXPECT_EQ(StatusText(0), T(c.status));
    }
}

TEST_F(Extraction, WithoutAnEngineNoRowsAndTheUnitAlone)
{
    SetRegexProgIdForTesting(L"Vesk.NoSuchEngine.1");
    FillFrom(L"results.html");
    SetRegexProgIdForTesting(nullptr);
    EXPECT_EQ(RowCount(), 0);
    EXPECT_EQ(StatusText(0), T("秒"));
    // And the next search finds its engine again.
    FillFrom(L"results.html");
    EXPECT_EQ(RowCount(), 5);
}

// Every cell and the status text, as the list and the status bar hold them.
std::vector<Text> Shown()
{
    std::vector<Text> shown;
    for (int32_t row = 0; row < RowCount(); ++row)
        for (int32_t column = 0; column < 5; ++column)
            shown.push_back(CellText(row, column));
    shown.push_back(StatusText(0));
    return shown;
}

TEST_F(Extraction, TheProgramsOwnEngineGivesTheSameRows)
{
    for (const wchar_t* fixture : {L"results.html", L"results_page2.html", L"no_results.html", L"no_costs.html"}) {
        SCOPED_TRACE(GbkFromWide(fixture).str());
        ClearRows();
        FillFrom(fixture);
        std::vector<Text> withVbscript = Shown();

        UseOwnRegexEngineOnlyForTesting(true);
        ClearRows();
        FillFrom(fixture);
        UseOwnRegexEngineOnlyForTesting(false);
        EXPECT_EQ(Shown(), withVbscript);
    }
    // And the rows are the right ones, not merely the same.
    UseOwnRegexEngineOnlyForTesting(true);
    ClearRows();
    FillFrom(L"results.html");
    UseOwnRegexEngineOnlyForTesting(false);
    ASSERT_EQ(RowCount(), 5);
    ExpectRows(0, kPageOneRows);
    EXPECT_EQ(StatusText(0), T("0.35秒"));
}

// Every match and group of a pattern over a page, with the byte positions
// that the engine's FirstIndex gives.
std::vector<std::pair<Text, int32_t>> Observed(const Text& pattern, const Text& page)
{
    std::vector<std::pair<Text, int32_t>> seen;
    RegexObject regex;
    regex.Create(pattern, page);
    for (int32_t i = 1; i <= regex.MatchCount(); ++i) {
        int32_t position = 0;
        Text match = regex.MatchText(i, &position);
        seen.emplace_back(match, position);
        for (int32_t group = 1; group <= regex.SubMatchCount() + 1; ++group) {
            Text text = regex.SubMatchText(i, group, &position);
            seen.emplace_back(text, position);
        }
    }
    return seen;
}

TEST(OwnEngineOverPages, SameMatchesGroupsAndPositionsAsVbscript)
{
    for (const wchar_t* fixture : {L"results.html", L"results_page2.html", L"no_results.html", L"no_costs.html"}) {
        SCOPED_TRACE(GbkFromWide(fixture).str());
        Text page = ReadFixturePage(fixture);
        for (const Text* pattern : {&resultRowPattern, &searchTimePattern}) {
            auto withVbscript = Observed(*pattern, page);
            UseOwnRegexEngineOnlyForTesting(true);
            auto withOwn = Observed(*pattern, page);
            UseOwnRegexEngineOnlyForTesting(false);
            EXPECT_EQ(withOwn, withVbscript);
            if (pattern == &resultRowPattern && std::wstring(fixture) == L"results.html") {
                EXPECT_EQ(withVbscript.size(), 5u * 8u) << "five matches, each with six groups and one past them";
            }
        }
    }
}

TEST_F(Extraction, WhereVbscriptIsMissingTheOwnEngineStandsIn)
{
    // As on a Windows without VBScript: the system's engine cannot be made.
    SetRegexProgIdForTesting(L"Vesk.NoSuchEngine.1", true);
    FillFrom(L"results.html");
    SetRegexProgIdForTesting(nullptr);
    ASSERT_EQ(RowCount(), 5);
    ExpectRows(0, kPageOneRows);
    EXPECT_EQ(StatusText(0), T("0.35秒"));
}

TEST(ResultPatterns, AreTheSiteMarkupByteForByte)
{
    struct Line {
        int tabs;
        const char* text;
    };
    const std::string icon = std::string("<img src=\"") + VESK_LINK_ICON_URL + "\"";
    const Line rowLines[] = {
        {1, "<div class=\"r\">"},
        {4, "<a href=\"(.*?)\" target=\"_blank\" class=\"link\">"},
        {5, "<h5 class=\"h\">(.*?)</h5>"},
        {4, "</a>"},
        {4, "<div>"},
        {5, "<span style=\"padding-right: 10px; vertical-align: middle;\">\xCA\xD5\xC2\xBC\xCA\xB1\xBC\xE4\xA3\xBA<span"},
        {6, "class=\"prop_val\">(.*?)</span></span> <span"},
        {6, "style=\"padding-right: 10px; vertical-align: middle;\">\xB4\xF3\xD0\xA1\xA3\xBA<span"},
        {6, "class=\"prop_val\">(.*?)</span></span> <span"},
        {6, "style=\"padding-right: 10px; vertical-align: middle;\">\xCE\xC4\xBC\xFE\xCA\xFD\xA3\xBA<span"},
        {6, "class=\"prop_val\">(.*?)</span></span> <a"},
        {6, "href=\"(.*?)\">"},
        {6, icon.c_str()},
        {6, "style=\"vertical-align: middle;\" alt=\"\xB4\xC5\xC1\xA6\xC1\xB4\xBD\xD3\" /> <span"},
        {6, "style=\"vertical-align: middle; margin-left: 2px;\">\xB4\xC5\xC1\xA6\xC1\xB4\xBD\xD3</span>"},
        {5, "</a>"},
        {4, "</div>"},
        {3, "</div>"},
    };
    const Line timeLines[] = {
        {2, "<div class=\"costs\">(.*?)"},
        {3, "\xC3\xEB</div>"},
    };
    auto join = [](std::span<const Line> lines) {
        std::string joined;
        for (const Line& line : lines) {
            if (!joined.empty())
                joined += "\r\n";
            joined += std::string(static_cast<size_t>(line.tabs), '\t') + line.text;
        }
        return Text(joined);
    };
    EXPECT_EQ(resultRowPattern, join(rowLines));
    EXPECT_EQ(searchTimePattern, join(timeLines));
}

struct RemoveCase {
    const char* text;
    const char* startMarker;
    const char* endMarker;
    const char* expected;
};

TEST(RemoveBetween, CutsFromTheStartMarkerThroughTheEndMarker)
{
    const char* open1 = "<span class='hi";
    const char* open2 = "ghlight'>";
    const char* close1 = "</sp";
    const char* close2 = "an>";
    const RemoveCase cases[] = {
        {"a<span class='highlight'>b</span>c", open1, open2, "ab</span>c"},
        {"ab</span>c", close1, close2, "abc"},
        {"a<SPAN CLASS='HIGHLIGHT'>b</SPAN>c", open1, open2, "ab</SPAN>c"},
        {"ab</SPAN>c", close1, close2, "abc"},
        // A span of class hint begins like the highlight tag.
        {"<span class='hint'>x<span class='highlight'>y</span>", open1, open2, "y</span>"},
        // A closing span alone.
        {"x</span>", close1, close2, "x"},
        // The end marker is looked for from the start marker on.
        {"an>ab</span>", close1, close2, "an>ab"},
        // Two-byte characters on both sides.
        {"中<span class='highlight'>文", open1, open2, "中文"},
        // No start marker: the empty text, not the text.
        {"abc", open1, open2, ""},
        {"", close1, close2, ""},
        // No end marker after the start marker: everything from it on goes.
        {"ab<span class='hi", open1, open2, "ab"},
        {"ghlight'>ab<span class='hix", open1, open2, "ghlight'>ab"},
    };
    for (const RemoveCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "text " << c.text << " markers " << c.startMarker << " " << c.endMarker);
        Text text = T(c.text);
        EXPECT_EQ(RemoveBetween(text, c.startMarker, c.endMarker), T(c.expected));
        EXPECT_EQ(text, T(c.text));
    }
}

TEST(ResultRegexGlobal, SetUpFirstAndReleasedWithTheGlobals)
{
    ASSERT_FALSE(resultRegex);
    InitGlobals();
    ASSERT_TRUE(resultRegex);
    // Its construction put the thread into an apartment.
    HRESULT hr = CoInitialize(nullptr);
    if (SUCCEEDED(hr))
        CoUninitialize();
    EXPECT_EQ(hr, S_FALSE);
    EXPECT_TRUE(resultRegex->Create("a", "aa"));
    OnProgramExit();
    EXPECT_FALSE(resultRegex);
}

}  // namespace
