// The main window, driven through real window messages in this process.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "app/events.h"
#include "app/main_window.h"
#include "tests/support/text_printing.h"
#include "tests/support/window_driving.h"
#include "text/wide.h"

namespace {

struct Rect {
    int left, top, width, height;
    bool operator==(const Rect&) const = default;
};

void PrintTo(const Rect& r, std::ostream* out) { *out << r.left << "," << r.top << " " << r.width << "x" << r.height; }

Rect PlaceOf(HWND control)
{
    RECT r;
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, mainWindow.window, reinterpret_cast<POINT*>(&r), 2);
    return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

std::vector<int> StatusEdges()
{
    int edges[8] = {};
    int parts = static_cast<int>(SendMessageW(mainWindow.状态条1, SB_GETPARTS, 8, reinterpret_cast<LPARAM>(edges)));
    return std::vector<int>(edges, edges + parts);
}

void SetClientSize(int width, int height)
{
    RECT r = {0, 0, width, height};
    AdjustWindowRectEx(&r, GetWindowLongW(mainWindow.window, GWL_STYLE), FALSE,
                       GetWindowLongW(mainWindow.window, GWL_EXSTYLE));
    SetWindowPos(mainWindow.window, nullptr, 0, 0, r.right - r.left, r.bottom - r.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    ProcessPendingEvents();
}

class MainWindowTest : public testing::Test {
protected:
    void SetUp() override
    {
        savedEvents = mainWindowEvents;
        ASSERT_TRUE(CreateMainWindow(SW_SHOWNORMAL));
        ProcessPendingEvents();
    }
    void TearDown() override
    {
        if (mainWindow.window)
            DestroyWindow(mainWindow.window);
        DrainQuitMessage();
        mainWindowEvents = savedEvents;
    }

    void FillRows(int count)
    {
        for (int i = 0; i < count; ++i) {
            int row = AddRow();
            ASSERT_EQ(row, i);
            for (int column = 0; column < 5; ++column)
                SetCellText(row, column, ConcatText(T("r"), NumberToText(i), T("c"), NumberToText(column)));
        }
    }

    void SelectRow(int row)
    {
        LVITEMW item = {};
        item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        item.state = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageW(mainWindow.超级列表框1, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
    }

    MainWindowEvents savedEvents{};
};

TEST_F(MainWindowTest, TemplateTitleControlsAndColumns)
{
    EXPECT_EQ(WindowTextOf(mainWindow.window), T("Vesk种子搜索器"));
    EXPECT_EQ(WindowTextOf(mainWindow.按钮1), T("搜索"));
    EXPECT_EQ(WindowTextOf(mainWindow.按钮2), T("继续"));
    EXPECT_EQ(WindowTextOf(mainWindow.编辑框1), T(""));
    EXPECT_EQ(GetMenu(mainWindow.window), nullptr) << "the menu is never shown in a menu bar";

    RECT outer;
    GetWindowRect(mainWindow.window, &outer);
    EXPECT_EQ(outer.right - outer.left, 812);
    EXPECT_EQ(outer.bottom - outer.top, 539);
    EXPECT_EQ(outer.left, (GetSystemMetrics(SM_CXSCREEN) - 812) / 2);
    EXPECT_EQ(outer.top, (GetSystemMetrics(SM_CYSCREEN) - 539) / 2);

    LONG style = GetWindowLongW(mainWindow.超级列表框1, GWL_STYLE);
    EXPECT_EQ(style & LVS_TYPEMASK, LVS_REPORT);
    EXPECT_TRUE(style & LVS_SINGLESEL);
    EXPECT_TRUE(style & LVS_NOSORTHEADER);
    EXPECT_FALSE(style & LVS_SHOWSELALWAYS) << "the selection hides while the list lacks the focus";
    EXPECT_FALSE(style & (LVS_EDITLABELS | LVS_SORTASCENDING | LVS_SORTDESCENDING));
    DWORD extended = static_cast<DWORD>(SendMessageW(mainWindow.超级列表框1, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
    EXPECT_EQ(extended & (LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES | LVS_EX_HEADERDRAGDROP | LVS_EX_CHECKBOXES |
                          LVS_EX_TRACKSELECT),
              static_cast<DWORD>(LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES | LVS_EX_HEADERDRAGDROP));
    EXPECT_FALSE(GetWindowLongW(mainWindow.编辑框1, GWL_STYLE) & (ES_PASSWORD | ES_READONLY | ES_UPPERCASE |
                                                                 ES_LOWERCASE | ES_NOHIDESEL | ES_MULTILINE));
    EXPECT_FALSE(GetWindowLongW(mainWindow.状态条1, GWL_STYLE) & SBARS_SIZEGRIP);

    const wchar_t* titles[] = {L"名称", L"收录时间", L"大小", L"文件数", L"磁力链接"};
    const int widths[] = {100, 80, 60, 50, 500};
    for (int i = 0; i < 5; ++i) {
        wchar_t title[32] = {};
        LVCOLUMNW column = {};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
        column.pszText = title;
        column.cchTextMax = 32;
        ASSERT_TRUE(SendMessageW(mainWindow.超级列表框1, LVM_GETCOLUMNW, i, reinterpret_cast<LPARAM>(&column)));
        EXPECT_STREQ(title, titles[i]);
        EXPECT_EQ(column.cx, widths[i]);
        EXPECT_EQ(column.fmt & LVCFMT_JUSTIFYMASK, LVCFMT_LEFT);
    }
    EXPECT_EQ(RowCount(), 0);
    EXPECT_EQ(SelectedRow(), -1);
    EXPECT_EQ(StatusEdges().size(), 1u);

    HFONT guiFont = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    for (HWND control : {mainWindow.编辑框1, mainWindow.按钮1, mainWindow.按钮2, mainWindow.超级列表框1})
        EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)), guiFont);
}

TEST_F(MainWindowTest, LayoutFollowsEverySizeChange)
{
    struct Case {
        int clientWidth, clientHeight;
        Rect edit, search, resume, list;
        int statusEdge;
    };
    // Each row resizes from the state the row before left: a computed width or
    // height of exactly -1 keeps the previous one.
    const Case cases[] = {
        {806, 508, {10, 10, 606, 30}, {626, 10, 80, 30}, {716, 10, 80, 30}, {10, 50, 786, 438}, 803},
        {500, 508, {10, 10, 300, 30}, {320, 10, 80, 30}, {410, 10, 80, 30}, {10, 50, 480, 438}, 497},
        {199, 69, {10, 10, 300, 30}, {19, 10, 80, 30}, {109, 10, 80, 30}, {10, 50, 179, 438}, 196},
        {19, 300, {10, 10, 0, 30}, {-161, 10, 80, 30}, {-71, 10, 80, 30}, {10, 50, 179, 230}, 16},
        {806, 508, {10, 10, 606, 30}, {626, 10, 80, 30}, {716, 10, 80, 30}, {10, 50, 786, 438}, 803},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "client " << c.clientWidth << "x" << c.clientHeight);
        SetClientSize(c.clientWidth, c.clientHeight);
        ASSERT_EQ(ClientWidth(), c.clientWidth);
        ASSERT_EQ(ClientHeight(), c.clientHeight);
        EXPECT_EQ(PlaceOf(mainWindow.编辑框1), c.edit);
        EXPECT_EQ(PlaceOf(mainWindow.按钮1), c.search);
        EXPECT_EQ(PlaceOf(mainWindow.按钮2), c.resume);
        EXPECT_EQ(PlaceOf(mainWindow.超级列表框1), c.list);
        EXPECT_EQ(StatusEdges(), std::vector<int>{c.statusEdge});
        // The status bar docks along the bottom at the full client width.
        Rect status = PlaceOf(mainWindow.状态条1);
        EXPECT_EQ(status.left, 0);
        EXPECT_EQ(status.width, c.clientWidth);
        EXPECT_EQ(status.top + status.height, c.clientHeight);
    }
}

TEST_F(MainWindowTest, MinimisingLaysOutWithZeroSizeAndRestoringAgain)
{
    SetClientSize(806, 508);
    ShowWindow(mainWindow.window, SW_MINIMIZE);
    ProcessPendingEvents();
    EXPECT_EQ(ClientWidth(), 0);
    EXPECT_EQ(StatusEdges(), std::vector<int>{-1}) << "width -3 counts as -1: the part spans the bar";
    EXPECT_EQ(PlaceOf(mainWindow.编辑框1).width, 0);
    ShowWindow(mainWindow.window, SW_RESTORE);
    ProcessPendingEvents();
    EXPECT_EQ(StatusEdges(), std::vector<int>{803});
    EXPECT_EQ(PlaceOf(mainWindow.超级列表框1), (Rect{10, 50, 786, 438}));
}

TEST_F(MainWindowTest, MoveControlKeepsASizeOfMinusOne)
{
    MoveControl(mainWindow.按钮1, 5, 6, 70, -1);
    EXPECT_EQ(PlaceOf(mainWindow.按钮1), (Rect{5, 6, 70, 30}));
    MoveControl(mainWindow.按钮1, 7, 8, -1, 20);
    EXPECT_EQ(PlaceOf(mainWindow.按钮1), (Rect{7, 8, 70, 20}));
}

TEST_F(MainWindowTest, RowsAndCellsIgnoreWhatDoesNotExist)
{
    FillRows(3);
    EXPECT_EQ(RowCount(), 3);
    EXPECT_EQ(CellText(2, 4), T("r2c4"));
    SetCellText(3, 0, T("x"));   // no such row
    SetCellText(0, 5, T("x"));   // no such column
    SetCellText(-1, 0, T("x"));
    EXPECT_EQ(CellText(3, 0), T(""));
    EXPECT_EQ(CellText(0, 5), T(""));
    EXPECT_EQ(CellText(-1, 0), T(""));
    EXPECT_EQ(RowCount(), 3);

    // A cell of any length and of any bytes comes back exactly as set.
    Text longText = ConcatText(BlankText(5000), T("\xD6\xD0\xCE\xC4"), T("magnet:?xt=urn:btih:ab&dn=x"));
    SetCellText(1, 4, longText);
    EXPECT_EQ(CellText(1, 4), longText);
    SetCellText(1, 4, Text());
    EXPECT_EQ(CellText(1, 4), T(""));

    // The list view shows the cell text (it asks the window for it).
    SetCellText(0, 0, T("\xD6\xD0\xCE\xC4"));
    wchar_t shown[16] = {};
    LVITEMW item = {};
    item.iSubItem = 0;
    item.pszText = shown;
    item.cchTextMax = 16;
    SendMessageW(mainWindow.超级列表框1, LVM_GETITEMTEXTW, 0, reinterpret_cast<LPARAM>(&item));
    EXPECT_STREQ(shown, L"中文");
    EXPECT_EQ(SendMessageW(mainWindow.超级列表框1, LVM_GETITEMCOUNT, 0, 0), 3);

    ClearRows();
    EXPECT_EQ(RowCount(), 0);
    EXPECT_EQ(SendMessageW(mainWindow.超级列表框1, LVM_GETITEMCOUNT, 0, 0), 0);
    EXPECT_EQ(AddRow(), 0) << "rows count from 0 again after clearing";
}

TEST_F(MainWindowTest, StatusPartsIgnoreWhatDoesNotExist)
{
    SetStatusText(0, T("0.02秒"));
    EXPECT_EQ(StatusText(0), T("0.02秒"));
    wchar_t shown[32] = {};
    SendMessageW(mainWindow.状态条1, SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(shown));
    EXPECT_STREQ(shown, L"0.02秒");
    SetStatusText(1, T("x"));
    EXPECT_EQ(StatusText(1), T(""));
    SetStatusPartWidth(0, -5);
    EXPECT_EQ(StatusEdges(), std::vector<int>{-1});
    SetStatusPartWidth(0, 120);
    EXPECT_EQ(StatusEdges(), std::vector<int>{120});
    SetStatusPartWidth(1, 50);
    EXPECT_EQ(StatusEdges(), std::vector<int>{120});
    EXPECT_EQ(StatusText(0), T("0.02秒")) << "the part keeps its text when laid out again";
}

TEST_F(MainWindowTest, EnterReachesTheKeywordHandlerBeforeTheEditBox)
{
    static std::vector<std::pair<int, int>> calls;
    static Text boxTextAtCall;
    calls.clear();
    mainWindowEvents.onKeywordKeyDown = [](int keyCode, int modifiers) {
        calls.emplace_back(keyCode, modifiers);
        boxTextAtCall = WindowTextOf(mainWindow.编辑框1);
    };
    SetFocus(mainWindow.编辑框1);
    ASSERT_EQ(GetFocus(), mainWindow.编辑框1);

    struct Case {
        WPARAM key;
        bool shift, control;
        int keyCode, modifiers;
    };
    const Case cases[] = {
        {VK_RETURN, false, false, 13, 0},
        {VK_RETURN, true, false, 13, 2},
        {VK_RETURN, true, true, 13, 3},
        {VK_NUMPAD7, false, false, 0x37, 0},
        {VK_SUBTRACT, false, false, 189, 0},
        {VK_DECIMAL, false, false, 190, 0},
        {VK_DIVIDE, false, false, 191, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "key " << c.key);
        calls.clear();
        SetModifierKeys(c.shift, c.control, false);
        PostMessageW(mainWindow.编辑框1, WM_KEYDOWN, c.key, 1);
        ProcessPendingEvents();
        SetModifierKeys(false, false, false);
        ASSERT_EQ(calls.size(), 1u);
        EXPECT_EQ(calls[0], std::make_pair(c.keyCode, c.modifiers));
    }

    // A character typed reaches the edit box after the handler has seen its key.
    calls.clear();
    SetWindowTextW(mainWindow.编辑框1, L"");
    PostMessageW(mainWindow.编辑框1, WM_KEYDOWN, 'A', 1);
    ProcessPendingEvents();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].first, 'A');
    EXPECT_EQ(boxTextAtCall, T(""));
    EXPECT_EQ(WindowTextOf(mainWindow.编辑框1), T("a"));

    // Keys pressed in another control raise no keyword event.
    calls.clear();
    SetFocus(mainWindow.按钮1);
    PostMessageW(mainWindow.按钮1, WM_KEYDOWN, VK_RETURN, 1);
    ProcessPendingEvents();
    EXPECT_TRUE(calls.empty());
}

TEST_F(MainWindowTest, TabAndShiftTabMoveTheFocus)
{
    SetFocus(mainWindow.编辑框1);
    const HWND forward[] = {mainWindow.按钮1, mainWindow.按钮2, mainWindow.超级列表框1, mainWindow.编辑框1};
    for (HWND expected : forward) {
        PostMessageW(GetFocus(), WM_KEYDOWN, VK_TAB, 1);
        ProcessPendingEvents();
        EXPECT_EQ(GetFocus(), expected);
    }
    SetModifierKeys(true, false, false);
    PostMessageW(GetFocus(), WM_KEYDOWN, VK_TAB, 1);
    ProcessPendingEvents();
    SetModifierKeys(false, false, false);
    EXPECT_EQ(GetFocus(), mainWindow.超级列表框1);
}

TEST_F(MainWindowTest, ButtonsRaiseTheirCommands)
{
    static int searches, continues;
    searches = continues = 0;
    mainWindowEvents.onSearchClicked = [] { ++searches; };
    mainWindowEvents.onContinueClicked = [] { ++continues; };
    SendMessageW(mainWindow.按钮1, BM_CLICK, 0, 0);
    SendMessageW(mainWindow.按钮2, BM_CLICK, 0, 0);
    SendMessageW(mainWindow.按钮2, BM_CLICK, 0, 0);
    ProcessPendingEvents();
    EXPECT_EQ(searches, 1);
    EXPECT_EQ(continues, 2);
}

TEST_F(MainWindowTest, EscClosesTheWindowFromAnyControl)
{
    for (HWND* control : {&mainWindow.超级列表框1, &mainWindow.按钮2, &mainWindow.编辑框1}) {
        if (!mainWindow.window) {
            ASSERT_TRUE(CreateMainWindow(SW_SHOWNORMAL));
        }
        HWND window = mainWindow.window;
        SetFocus(*control);
        PostMessageW(*control, WM_KEYDOWN, VK_ESCAPE, 1);
        ProcessPendingEvents();
        EXPECT_FALSE(IsWindow(window));
        EXPECT_EQ(mainWindow.window, nullptr);
        EXPECT_TRUE(DrainQuitMessage()) << "closing the window posts the quit message";
    }
    // Esc with Shift held is not the close key.
    ASSERT_TRUE(CreateMainWindow(SW_SHOWNORMAL));
    SetModifierKeys(true, false, false);
    PostMessageW(mainWindow.超级列表框1, WM_KEYDOWN, VK_ESCAPE, 1);
    ProcessPendingEvents();
    SetModifierKeys(false, false, false);
    EXPECT_NE(mainWindow.window, nullptr);
}

TEST_F(MainWindowTest, RightClickMenuCopiesTheSelectedMagnetLink)
{
    FillRows(3);
    SelectRow(1);
    ASSERT_EQ(SelectedRow(), 1);
    SetClipboardText(T("before"));

    // A right click on the list opens the popup menu at the pointer plus 3;
    // the first item is chosen from the keyboard while the menu runs.
    MenuSpy spy;
    spy.keysToPress = {VK_DOWN, VK_RETURN};
    RightClickInList(1);
    ProcessPendingEvents();
    ASSERT_TRUE(spy.menuSeen) << "no popup menu appeared";
    EXPECT_EQ(spy.items, (std::vector<Text>{T("复制磁力连接"), T("关于")}));
    POINT pointer;
    GetCursorPos(&pointer);
    EXPECT_EQ(spy.menuTopLeft.x, pointer.x + 3);
    EXPECT_EQ(spy.menuTopLeft.y, pointer.y + 3);
    EXPECT_EQ(ClipboardAnsiText(), T("r1c4"));
    EXPECT_EQ(ClipboardUnicodeText(), L"r1c4");
}

TEST_F(MainWindowTest, CopyOnAnEmptyListPutsAnEmptyText)
{
    SetClipboardText(T("before"));
    MenuSpy spy;
    spy.keysToPress = {VK_DOWN, VK_RETURN};
    RightClickInList();
    ProcessPendingEvents();
    ASSERT_TRUE(spy.menuSeen) << "the menu opens on an empty list all the same";
    EXPECT_EQ(ClipboardAnsiText(), T(""));
    EXPECT_TRUE(ClipboardHasText());
}

TEST_F(MainWindowTest, ClipboardHeldByAnotherWindowIsLeftAlone)
{
    SetClipboardText(T("kept"));
    ASSERT_TRUE(OpenClipboard(mainWindow.按钮1));
    SetClipboardText(T("lost"));
    CloseClipboard();
    EXPECT_EQ(ClipboardAnsiText(), T("kept"));
}

TEST_F(MainWindowTest, AboutBoxShowsTheFourLines)
{
    const Text expected = T("本软件由Morwen工作室制作。\r\n\r\nQQ：2865047301\r\n如有BUG请发送邮件至：bugs@morwen-studio.cn");
    EXPECT_EQ(AboutText(), expected);
    // The full-width colons are two bytes each.
    EXPECT_NE(FindText(AboutText(), T("QQ\xA3\xBA")), -1);
    EXPECT_NE(FindText(AboutText(), T("\xD6\xC1\xA3\xBA" "bugs")), -1);

    MessageBoxSpy spy;
    MenuSpy menu;
    menu.keysToPress = {VK_DOWN, VK_DOWN, VK_RETURN};
    RightClickInList();
    ProcessPendingEvents();
    ASSERT_TRUE(spy.seen) << "no About box appeared";
    EXPECT_EQ(spy.title, T("关于"));
    EXPECT_EQ(spy.message, expected);
    EXPECT_TRUE(spy.style & MB_ICONINFORMATION);
    EXPECT_EQ(spy.buttons, 1) << "only an OK button";
    EXPECT_TRUE(spy.ownerWindowsDisabled) << "the box is task-modal";
}

TEST_F(MainWindowTest, MessageBoxIsTaskModalUnlessSystemModal)
{
    MessageBoxSpy spy;
    spy.buttonToPress = IDNO;
    EXPECT_EQ(ShowMessageBox(T("q"), MB_YESNO, T("t")), IDNO);
    ASSERT_TRUE(spy.seen);
    EXPECT_EQ(spy.message, T("q"));
    EXPECT_EQ(spy.buttons, 2);
    EXPECT_TRUE(spy.ownerWindowsDisabled) << "the box is task-modal";
}

}  // namespace
