// Searches end to end: the program's own code in this process, its window,
// WinInet under Wine, and the local index site the tests started.
#include <windows.h>
#include <wininet.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/events.h"
#include "app/framework.h"
#include "app/main_window.h"
#include "app/program.h"
#include "search/extract.h"
#include "search/search.h"
#include "tests/support/site_client.h"
#include "tests/support/text_printing.h"
#include "tests/support/window_driving.h"

namespace {

constexpr int kPort = VESK_TEST_SITE_PORT;
const std::string kPortText = std::to_string(kPort);

const char kDefaultAccept[] =
    "image/gif, image/bmp, image/x-xbitmap, image/jpeg, image/pjpeg, application/x-shockwave-flash, "
    "application/vnd.ms-excel, application/vnd.ms-powerpoint, application/msword, */*";

std::vector<std::string> SearchTargets()
{
    std::vector<std::string> targets;
    for (const RecordedRequest& request : SiteRequests(kPort))
        targets.push_back(request.target);
    return targets;
}

std::vector<Text> Column(int column)
{
    std::vector<Text> cells;
    for (int row = 0; row < RowCount(); ++row)
        cells.push_back(CellText(row, column));
    return cells;
}

class SearchTest : public testing::Test {
protected:
    static void SetUpTestSuite() { SetUpResultRegex(); }
    static void TearDownTestSuite() { ReleaseResultRegex(); }

    void SetUp() override
    {
        // Session cookies of earlier tests go, so each test starts as a new run.
        InternetSetOptionW(nullptr, INTERNET_OPTION_END_BROWSER_SESSION, nullptr, 0);
        SiteReset(kPort);
        savedEvents = mainWindowEvents;
        mainWindowEvents.onKeywordKeyDown = OnKeywordKeyDown;
        mainWindowEvents.onSearchClicked = OnSearchClicked;
        mainWindowEvents.onContinueClicked = OnContinueClicked;
        ASSERT_TRUE(CreateMainWindow(SW_SHOWNORMAL));
        ProcessPendingEvents();
        currentPage = 0;
    }
    void TearDown() override
    {
        SiteReset(kPort);
        if (mainWindow.window)
            DestroyWindow(mainWindow.window);
        DrainQuitMessage();
        mainWindowEvents = savedEvents;
    }

    static void Type(const wchar_t* keyword) { SetWindowTextW(mainWindow.编辑框1, keyword); }
    static void ClickSearch() { SendMessageW(mainWindow.按钮1, BM_CLICK, 0, 0); }
    static void ClickContinue() { SendMessageW(mainWindow.按钮2, BM_CLICK, 0, 0); }

    MainWindowEvents savedEvents{};
};

TEST_F(SearchTest, SearchAsksForPageOneWithTheProgramsHeaderBlock)
{
    for (int i = 0; i < 3; ++i)
        SetCellText(AddRow(), 0, T("old"));
    Type(L"ab");
    ClickSearch();

    std::vector<RecordedRequest> requests = SiteRequests(kPort);
    ASSERT_EQ(requests.size(), 1u);
    const RecordedRequest& request = requests[0];
    EXPECT_EQ(request.method, "GET");
    EXPECT_EQ(request.target, "/search?keyword=%61%62&p=1");
    EXPECT_EQ(request.Header("User-Agent"), "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)");
    EXPECT_EQ(request.Header("Accept"), kDefaultAccept);
    EXPECT_EQ(request.Header("Referer"), "http://127.0.0.1:" + kPortText + "/search?keyword=%61%62&p=1");
    EXPECT_EQ(request.Header("Accept-Language"), "zh-cn");
    EXPECT_FALSE(request.HasHeader("Cookie")) << "a new run sends no cookie";

    // The old rows went before the new ones came: ten results, all for "ab".
    ASSERT_EQ(RowCount(), 10);
    EXPECT_EQ(currentPage, 1);
    for (int row = 0; row < RowCount(); ++row) {
        SCOPED_TRACE(row);
        Text name = CellText(row, 0);
        EXPECT_NE(name, T("old"));
        EXPECT_NE(FindText(name, T("ab"), 1, true), -1) << "the name holds the keyword";
        EXPECT_EQ(FindText(name, T("<span"), 1, true), -1) << "no highlight markup is left";
        EXPECT_EQ(FindText(name, T("</span>"), 1, true), -1);
        EXPECT_EQ(FindText(CellText(row, 4), T("magnet:?xt=urn:btih:")), 1);
        EXPECT_EQ(TextLength(CellText(row, 1)), 10) << "an indexed date such as 2024-03-05";
        EXPECT_GT(ToNumber(CellText(row, 3)), 0) << "a file count";
    }
    Text status = StatusText(0);
    EXPECT_GT(TextLength(status), 2);
    EXPECT_EQ(RightText(status, 2), T("秒"));
    EXPECT_GT(ToNumber(status), 0);
}

TEST_F(SearchTest, ContinueAppendsTheNextPagesInOrder)
{
    Type(L"ab");
    ClickSearch();
    std::vector<Text> firstPage = Column(4);
    ClickContinue();
    ClickContinue();
    EXPECT_EQ(SearchTargets(), (std::vector<std::string>{"/search?keyword=%61%62&p=1", "/search?keyword=%61%62&p=2",
                                                        "/search?keyword=%61%62&p=3"}));
    ASSERT_EQ(RowCount(), 30);
    std::vector<Text> links = Column(4);
    EXPECT_EQ(std::vector<Text>(links.begin(), links.begin() + 10), firstPage) << "page 1 stays in place";
    for (int i = 0; i < 30; ++i)
        for (int j = i + 1; j < 30; ++j)
            EXPECT_NE(links[i], links[j]) << "rows " << i << " and " << j << " are the same result";

    // Search again: the list is cleared and page 1 comes anew.
    ClickSearch();
    EXPECT_EQ(RowCount(), 10);
    EXPECT_EQ(Column(4), firstPage);
    EXPECT_EQ(SearchTargets().back(), "/search?keyword=%61%62&p=1");
}

TEST_F(SearchTest, ContinueUsesWhateverTheBoxHoldsWithTheNextPage)
{
    Type(L"ab");
    ClickSearch();
    Type(L"中国");
    ClickContinue();
    EXPECT_EQ(SearchTargets(), (std::vector<std::string>{"/search?keyword=%61%62&p=1",
                                                        "/search?keyword=%E4%B8%AD%E5%9B%BD&p=2"}));
    EXPECT_GE(RowCount(), 10) << "the rows of the new keyword come below those of the old one";
    for (int row = 10; row < RowCount(); ++row)
        EXPECT_NE(FindText(CellText(row, 0), T("中国")), -1) << row;
}

TEST_F(SearchTest, ContinueFirstAsksForPageOne)
{
    Type(L"ab");
    ClickContinue();
    EXPECT_EQ(SearchTargets(), (std::vector<std::string>{"/search?keyword=%61%62&p=1"}));
    EXPECT_EQ(RowCount(), 10);
}

TEST_F(SearchTest, AnEmptyKeywordDoesNothing)
{
    SetCellText(AddRow(), 0, T("kept"));
    SetStatusText(0, T("0.5秒"));
    Type(L"");
    ClickSearch();
    ClickContinue();
    PostMessageW(mainWindow.编辑框1, WM_KEYDOWN, VK_RETURN, 1);
    ProcessPendingEvents();
    EXPECT_TRUE(SiteRequests(kPort).empty());
    EXPECT_EQ(RowCount(), 1);
    EXPECT_EQ(StatusText(0), T("0.5秒"));
    EXPECT_EQ(currentPage, 0);
}

TEST_F(SearchTest, KeywordsAreSentAsEscapedUtf8)
{
    struct Case {
        const wchar_t* keyword;
        const char* target;
    };
    const Case cases[] = {
        {L" ", "/search?keyword=%20&p=1"},
        {L"中文", "/search?keyword=%E4%B8%AD%E6%96%87&p=1"},
        {L"A+b", "/search?keyword=%41%2B%62&p=1"},
    };
    for (const Case& c : cases) {
        SiteReset(kPort);
        Type(c.keyword);
        ClickSearch();
        EXPECT_EQ(SearchTargets(), std::vector<std::string>{c.target});
    }
}

TEST_F(SearchTest, EnterInTheKeywordBoxSearchesAlsoWithShift)
{
    Type(L"ab");
    SetFocus(mainWindow.编辑框1);
    SetModifierKeys(true, false, false);
    PostMessageW(mainWindow.编辑框1, WM_KEYDOWN, VK_RETURN, 1);
    ProcessPendingEvents();
    SetModifierKeys(false, false, false);
    EXPECT_EQ(SearchTargets(), std::vector<std::string>{"/search?keyword=%61%62&p=1"});
    EXPECT_EQ(RowCount(), 10);
}

TEST_F(SearchTest, TheSitesCookieComesBackOnTheNextRequest)
{
    Type(L"ab");
    ClickSearch();
    ClickContinue();
    std::vector<RecordedRequest> requests = SiteRequests(kPort);
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_FALSE(requests[0].HasHeader("Cookie"));
    EXPECT_NE(requests[1].Header("Cookie").find("vesk_visit="), std::string::npos);
}

TEST_F(SearchTest, FailuresOnlyGiveFewerRows)
{
    struct Case {
        const char* mode;
        int rows;
        bool statusIsSecondsAlone;
    };
    const Case cases[] = {
        {"drop", 0, true},     // no response at all
        {"error", 0, true},    // an error status with its error page
        {"other", 0, true},    // a page of another layout
        {"nul", 3, false},     // the page ends at its NUL byte, after three results
        {"cut", -1, false},    // half a page: the results it holds
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        SiteMode(kPort, c.mode);
        Type(L"ab");
        ClickSearch();
        if (c.rows >= 0) {
            EXPECT_EQ(RowCount(), c.rows);
        } else {
            EXPECT_LT(RowCount(), 10);
        }
        if (c.statusIsSecondsAlone) {
            EXPECT_EQ(StatusText(0), T("秒"));
        }
        EXPECT_FALSE(SearchRunning());
    }
    // After a failed Continue the page number stays raised.
    SiteMode(kPort, "normal");
    ClickSearch();
    SiteMode(kPort, "drop");
    ClickContinue();
    EXPECT_EQ(RowCount(), 10) << "a failed Continue keeps the rows";
    SiteMode(kPort, "normal");
    ClickContinue();
    EXPECT_EQ(SearchTargets().back(), "/search?keyword=%61%62&p=3");
}

// Clicks Search and Continue and presses Enter while the first search reads
// a slow page: none of them starts a second search.
bool clickedDuringTheSearch = false;
void CALLBACK ClickDuringTheSearch(HWND, UINT, UINT_PTR timer, DWORD)
{
    if (!SearchRunning())
        return;
    KillTimer(nullptr, timer);
    clickedDuringTheSearch = true;
    PostMessageW(mainWindow.按钮1, BM_CLICK, 0, 0);
    PostMessageW(mainWindow.按钮2, BM_CLICK, 0, 0);
    PostMessageW(mainWindow.编辑框1, WM_KEYDOWN, VK_RETURN, 1);
}

TEST_F(SearchTest, ClicksDuringASlowPageChangeNothing)
{
    SiteMode(kPort, "slow&piece=500&delay_ms=40");
    Type(L"ab");
    SetFocus(mainWindow.编辑框1);
    clickedDuringTheSearch = false;
    UINT_PTR timer = SetTimer(nullptr, 0, 30, ClickDuringTheSearch);
    ClickSearch();
    KillTimer(nullptr, timer);
    ASSERT_TRUE(clickedDuringTheSearch) << "the page came too fast to click during it";
    ProcessPendingEvents();
    EXPECT_EQ(SearchTargets(), std::vector<std::string>{"/search?keyword=%61%62&p=1"});
    EXPECT_EQ(currentPage, 1);
    EXPECT_EQ(RowCount(), 10);
}

// Closes the window from the keyboard while the search reads a body that
// never ends.
void CALLBACK PressEscDuringTheSearch(HWND, UINT, UINT_PTR timer, DWORD)
{
    if (!SearchRunning() || !mainWindow.window)
        return;
    KillTimer(nullptr, timer);
    PostMessageW(mainWindow.超级列表框1, WM_KEYDOWN, VK_ESCAPE, 1);
}

void CALLBACK StartSearchWhenShown(HWND, UINT, UINT_PTR timer, DWORD)
{
    if (!mainWindow.window)
        return;
    KillTimer(nullptr, timer);
    SetWindowTextW(mainWindow.编辑框1, L"ab");
    SetTimer(nullptr, 0, 200, PressEscDuringTheSearch);
    PostMessageW(mainWindow.按钮1, BM_CLICK, 0, 0);
}

TEST(WholeProgram, ClosingDuringAnEndlessPageEndsTheProgram)
{
    InternetSetOptionW(nullptr, INTERNET_OPTION_END_BROWSER_SESSION, nullptr, 0);
    SiteReset(kPort);
    SiteMode(kPort, "endless");
    int runsBefore = ExitHandlerRuns();
    SetTimer(nullptr, 0, 20, StartSearchWhenShown);
    // Would never return should the search go on reading.
    EXPECT_EQ(RunApplication(RunProgram), 0);
    EXPECT_EQ(ExitHandlerRuns(), runsBefore + 1);
    EXPECT_EQ(mainWindow.window, nullptr);
    EXPECT_FALSE(SearchRunning());
    EXPECT_EQ(SearchTargets(), std::vector<std::string>{"/search?keyword=%61%62&p=1"});
    SiteReset(kPort);
}

}  // namespace
