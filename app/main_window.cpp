#include "app/main_window.h"

#include <commctrl.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "app/events.h"
#include "app/resource.h"
#include "text/wide.h"

MainWindowHandles mainWindow;

MainWindowEvents mainWindowEvents = {
    OnMainWindowResized,
    nullptr,
    nullptr,
    nullptr,
    OnResultListRightClick,
    OnCopyMagnetLink,
    OnAbout,
};

namespace {

constexpr wchar_t kWindowClass[] = L"VeskMainWindow";
constexpr int kOuterWidth = 812;
constexpr int kOuterHeight = 539;
constexpr int kColumnCount = 5;

// The maker's contact details for the About box.
constexpr char kMakerQq[] = "2865047301";
constexpr char kMakerEmail[] = "bugs@morwen-studio.cn";

struct ColumnTemplate {
    const wchar_t* title;
    int width;
};
constexpr ColumnTemplate kColumns[kColumnCount] = {
    {L"名称", 100}, {L"收录时间", 80}, {L"大小", 60}, {L"文件数", 50}, {L"磁力链接", 500},
};

// The list is virtual: the rows live here, exactly as the program set them,
// and the list view asks for what it draws.
std::vector<std::array<Text, kColumnCount>> rows;

// The status bar's parts: their widths (-1 reaches the right end) and texts.
std::vector<int> statusWidths;
std::vector<Text> statusTexts;

// The control that had the focus when the window was last deactivated.
HWND focusWhenInactive = nullptr;

bool RowExists(int32_t row) { return row >= 0 && static_cast<size_t>(row) < rows.size(); }

// Rows come in by the thousand with no message handled in between, and under
// Wine every change of the list's length redraws its scroll bar on the spot
// (some 16 ms a row on a shown window). So the list stops drawing at the
// first new row and draws everything once, when the thread handles messages
// again; its item count stays exact all along.
constexpr UINT kResumeListDrawing = WM_APP + 1;
bool listDrawingHeld = false;

void HoldListDrawing()
{
    if (listDrawingHeld || !PostMessageW(mainWindow.window, kResumeListDrawing, 0, 0))
        return;
    listDrawingHeld = true;
    SendMessageW(mainWindow.超级列表框1, WM_SETREDRAW, FALSE, 0);
}

void ResumeListDrawing()
{
    listDrawingHeld = false;
    SendMessageW(mainWindow.超级列表框1, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(mainWindow.超级列表框1, nullptr, TRUE);
}

// Status part right edges: each part ends at the sum of its width and those
// of the parts before it; -1 makes it reach the right end of the bar.
void ApplyStatusParts()
{
    if (!mainWindow.状态条1)
        return;
    std::vector<int> edges;
    int right = 0;
    for (int width : statusWidths) {
        if (width == -1) {
            edges.push_back(-1);
        } else {
            right += width;
            edges.push_back(right);
        }
    }
    SendMessageW(mainWindow.状态条1, SB_SETPARTS, edges.size(), reinterpret_cast<LPARAM>(edges.data()));
    for (size_t i = 0; i < statusTexts.size(); ++i)
        SendMessageW(mainWindow.状态条1, SB_SETTEXTW, i, reinterpret_cast<LPARAM>(WideFromGbk(statusTexts[i]).c_str()));
}

int CurrentModifiers(const MSG& message)
{
    int modifiers = 0;
    if (GetKeyState(VK_CONTROL) < 0)
        modifiers |= 1;
    if (GetKeyState(VK_SHIFT) < 0)
        modifiers |= 2;
    bool altInMessage = message.message == WM_SYSKEYDOWN && (message.lParam & (1 << 29));
    if (GetKeyState(VK_MENU) < 0 || altInMessage)
        modifiers |= 4;
    return modifiers;
}

// The key-pressed event reports the digit keys of the numeric keypad as the
// digits and its minus, point and slash as the main keyboard's codes.
int KeyCodeForEvent(WPARAM virtualKey)
{
    if (virtualKey >= VK_NUMPAD0 && virtualKey <= VK_NUMPAD9)
        return static_cast<int>('0' + (virtualKey - VK_NUMPAD0));
    switch (virtualKey) {
    case VK_SUBTRACT: return 189;
    case VK_DECIMAL: return 190;
    case VK_DIVIDE: return 191;
    default: return static_cast<int>(virtualKey);
    }
}

// The window's keyboard handling, before a key reaches the focused control.
bool FilterMainWindowKeys(MSG& message)
{
    if (message.message != WM_KEYDOWN && message.message != WM_SYSKEYDOWN)
        return false;
    HWND window = mainWindow.window;
    if (!window || (message.hwnd != window && !IsChild(window, message.hwnd)))
        return false;

    int modifiers = CurrentModifiers(message);
    if (message.message == WM_KEYDOWN && message.wParam == VK_TAB) {
        HWND focus = GetFocus();
        bool backwards = (modifiers & 2) != 0;
        HWND next = GetNextDlgTabItem(window, (focus && IsChild(window, focus)) ? focus : nullptr, backwards);
        if (next)
            SetFocus(next);
        return true;
    }
    if (message.wParam == VK_ESCAPE && modifiers == 0) {
        SendMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
        return true;
    }
    // The list view's header or edit children count as the list.
    if (GetFocus() == mainWindow.编辑框1 && mainWindowEvents.onKeywordKeyDown)
        mainWindowEvents.onKeywordKeyDown(KeyCodeForEvent(message.wParam), modifiers);
    return false;  // the control still gets the key
}

HWND CreateChild(DWORD exStyle, const wchar_t* className, const wchar_t* text, DWORD style, int left, int top,
                 int width, int height, HWND parent, int id)
{
    HWND control = CreateWindowExW(exStyle, className, text, WS_CHILD | WS_VISIBLE | style, left, top, width, height,
                                   parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                   GetModuleHandleW(nullptr), nullptr);
    if (control)
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    return control;
}

bool CreateControls(HWND window)
{
    mainWindow.编辑框1 = CreateChild(WS_EX_CLIENTEDGE, L"EDIT", L"", WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL, 16, 16,
                                     480, 32, window, IDC_KEYWORD_BOX);
    mainWindow.按钮1 = CreateChild(0, L"BUTTON", L"搜索", WS_TABSTOP | BS_PUSHBUTTON | BS_CENTER | BS_VCENTER, 528, 8,
                                   80, 32, window, IDC_SEARCH_BUTTON);
    mainWindow.按钮2 = CreateChild(0, L"BUTTON", L"继续", WS_TABSTOP | BS_PUSHBUTTON | BS_CENTER | BS_VCENTER, 624, 8,
                                   88, 32, window, IDC_CONTINUE_BUTTON);
    mainWindow.超级列表框1 = CreateChild(
        WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
        WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_NOSORTHEADER | LVS_OWNERDATA, 16, 56, 672, 304, window,
        IDC_RESULT_LIST);
    mainWindow.状态条1 = CreateChild(0, STATUSCLASSNAMEW, L"", 0, 0, 488, 806, 20, window, IDC_STATUS_BAR);
    if (!mainWindow.编辑框1 || !mainWindow.按钮1 || !mainWindow.按钮2 || !mainWindow.超级列表框1 || !mainWindow.状态条1)
        return false;

    HWND list = mainWindow.超级列表框1;
    DWORD extended = LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES | LVS_EX_HEADERDRAGDROP;
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, extended, extended);
    SendMessageW(list, LVM_SETTEXTCOLOR, 0, RGB(0, 0, 0));
    SendMessageW(list, LVM_SETTEXTBKCOLOR, 0, RGB(255, 255, 255));
    SendMessageW(list, LVM_SETBKCOLOR, 0, RGB(255, 255, 255));
    for (int i = 0; i < kColumnCount; ++i) {
        LVCOLUMNW column = {};
        column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        column.fmt = LVCFMT_LEFT;
        column.cx = kColumns[i].width;
        column.pszText = const_cast<wchar_t*>(kColumns[i].title);
        column.iSubItem = i;
        SendMessageW(list, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&column));
    }

    statusWidths.assign(1, 500);
    statusTexts.assign(1, Text());
    ApplyStatusParts();
    return true;
}

void FillDisplayInfo(NMLVDISPINFOW& info)
{
    LVITEMW& item = info.item;
    if (!(item.mask & LVIF_TEXT) || !item.pszText || item.cchTextMax <= 0)
        return;
    item.pszText[0] = L'\0';
    if (!RowExists(item.iItem) || item.iSubItem < 0 || item.iSubItem >= kColumnCount)
        return;
    std::wstring wide = WideFromGbk(rows[item.iItem][item.iSubItem]);
    lstrcpynW(item.pszText, wide.c_str(), item.cchTextMax);
}

LRESULT OnNotify(const NMHDR& header)
{
    if (header.hwndFrom != mainWindow.超级列表框1)
        return 0;
    switch (header.code) {
    case LVN_GETDISPINFOW:
        FillDisplayInfo(*reinterpret_cast<NMLVDISPINFOW*>(const_cast<NMHDR*>(&header)));
        return 0;
    case NM_RCLICK:
        if (mainWindowEvents.onResultListRightClick)
            mainWindowEvents.onResultListRightClick();
        return 0;
    default:
        return 0;
    }
}

void OnCommand(WPARAM wParam, LPARAM lParam)
{
    HWND source = reinterpret_cast<HWND>(lParam);
    int id = LOWORD(wParam);
    if (source) {
        if (HIWORD(wParam) != BN_CLICKED)
            return;
        if (source == mainWindow.按钮1 && mainWindowEvents.onSearchClicked)
            mainWindowEvents.onSearchClicked();
        else if (source == mainWindow.按钮2 && mainWindowEvents.onContinueClicked)
            mainWindowEvents.onContinueClicked();
        return;
    }
    if (id == IDM_COPY_MAGNET_LINK && mainWindowEvents.onCopyMagnetLink)
        mainWindowEvents.onCopyMagnetLink();
    else if (id == IDM_ABOUT && mainWindowEvents.onAbout)
        mainWindowEvents.onAbout();
}

void OnDestroy()
{
    if (mainWindow.menuBar)
        DestroyMenu(mainWindow.menuBar);
    mainWindow = MainWindowHandles();
    rows.clear();
    statusWidths.clear();
    statusTexts.clear();
    focusWhenInactive = nullptr;
    listDrawingHeld = false;
    PostQuitMessage(0);
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        mainWindow.window = window;
        return CreateControls(window) ? 0 : -1;
    case WM_SIZE:
        // The status bar docks itself along the bottom before the layout runs.
        if (mainWindow.状态条1)
            SendMessageW(mainWindow.状态条1, WM_SIZE, 0, 0);
        if (mainWindowEvents.onMainWindowResized)
            mainWindowEvents.onMainWindowResized();
        return 0;
    case WM_GETMINMAXINFO:
        // The window has no minimum size of its own.
        reinterpret_cast<MINMAXINFO*>(lParam)->ptMinTrackSize = POINT{0, 0};
        return 0;
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE)
            focusWhenInactive = GetFocus();
        return DefWindowProcW(window, message, wParam, lParam);
    case WM_SETFOCUS:
        SetFocus(focusWhenInactive && IsChild(window, focusWhenInactive) ? focusWhenInactive : mainWindow.编辑框1);
        return 0;
    case WM_COMMAND:
        OnCommand(wParam, lParam);
        return 0;
    case WM_NOTIFY:
        return OnNotify(*reinterpret_cast<NMHDR*>(lParam));
    case kResumeListDrawing:
        ResumeListDrawing();
        return 0;
    case WM_DESTROY:
        OnDestroy();
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

bool RegisterMainWindowClass()
{
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    if (GetClassInfoExW(GetModuleHandleW(nullptr), kWindowClass, &windowClass))
        return true;
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = MainWindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kWindowClass;
    return RegisterClassExW(&windowClass) != 0;
}

// Hands a copy of the data to the open clipboard, which then owns it.
void PutOnClipboard(UINT format, const void* data, size_t size)
{
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size);
    if (!memory)
        return;
    void* copy = GlobalLock(memory);
    if (!copy) {
        GlobalFree(memory);
        return;
    }
    memcpy(copy, data, size);
    GlobalUnlock(memory);
    if (!SetClipboardData(format, memory))
        GlobalFree(memory);
}

}  // namespace

bool CreateMainWindow(int showCommand)
{
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    if (!RegisterMainWindowClass())
        return false;

    HMENU menuBar = LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAIN_MENU));
    if (!menuBar)
        return false;

    int left = (GetSystemMetrics(SM_CXSCREEN) - kOuterWidth) / 2;
    int top = (GetSystemMetrics(SM_CYSCREEN) - kOuterHeight) / 2;
    // The menu bar is not attached: its only menu is invisible, so the
    // window shows no menu bar.
    HWND window = CreateWindowExW(0, kWindowClass, L"Vesk种子搜索器", WS_OVERLAPPEDWINDOW, left, top, kOuterWidth,
                                  kOuterHeight, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!window) {
        DestroyMenu(menuBar);
        mainWindow = MainWindowHandles();
        return false;
    }
    mainWindow.menuBar = menuBar;
    mainWindow.超文本浏览框右键菜单 = GetSubMenu(menuBar, 0);
    SetMessageFilter(FilterMainWindowKeys);

    // The layout is in force before the first message is dispatched.
    if (mainWindowEvents.onMainWindowResized)
        mainWindowEvents.onMainWindowResized();
    ShowWindow(window, showCommand);
    UpdateWindow(window);
    SetFocus(mainWindow.编辑框1);
    return true;
}

void OnMainWindowResized()
{
    MoveControl(mainWindow.编辑框1, 10, 10, ClientWidth() - 200, 30);
    MoveControl(mainWindow.按钮1, ClientWidth() - 180, 10, 80, 30);
    MoveControl(mainWindow.按钮2, ClientWidth() - 90, 10, 80, 30);
    MoveControl(mainWindow.超级列表框1, 10, 50, ClientWidth() - 20, ClientHeight() - 70);
    SetStatusPartWidth(0, ClientWidth() - 3);
}

void OnResultListRightClick() { ShowPopupMenu(mainWindow.超文本浏览框右键菜单); }

void OnCopyMagnetLink()
{
    int32_t row = SelectedRow();
    SetClipboardText(CellText(row, 4));
}

Text AboutText()
{
    return ConcatText("本软件由Morwen工作室制作。", "\r\n", "\r\n", "QQ：", kMakerQq, "\r\n", "如有BUG请发送邮件至：",
                      kMakerEmail);
}

void OnAbout() { ShowMessageBox(AboutText(), MB_ICONINFORMATION, "关于"); }

Text ControlText(HWND control)
{
    if (!control)
        return Text();
    int length = GetWindowTextLengthW(control);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    int copied = GetWindowTextW(control, text.data(), length + 1);
    text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
    return GbkFromWide(text);
}

int32_t AddRow()
{
    if (!mainWindow.超级列表框1)
        return -1;
    rows.emplace_back();
    HoldListDrawing();
    // Only the new row needs drawing; the rows above it stay as they are.
    SendMessageW(mainWindow.超级列表框1, LVM_SETITEMCOUNT, rows.size(), LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
    return static_cast<int32_t>(rows.size() - 1);
}

void SetCellText(int32_t row, int32_t column, const Text& text)
{
    if (!RowExists(row) || column < 0 || column >= kColumnCount)
        return;
    rows[row][column] = text;
    if (!listDrawingHeld)  // otherwise the whole list draws when drawing resumes
        SendMessageW(mainWindow.超级列表框1, LVM_REDRAWITEMS, row, row);
}

void ClearRows()
{
    rows.clear();
    if (mainWindow.超级列表框1)
        SendMessageW(mainWindow.超级列表框1, LVM_DELETEALLITEMS, 0, 0);
}

Text CellText(int32_t row, int32_t column)
{
    if (!RowExists(row) || column < 0 || column >= kColumnCount)
        return Text();
    return rows[row][column];
}

int32_t RowCount() { return static_cast<int32_t>(rows.size()); }

int32_t SelectedRow()
{
    if (!mainWindow.超级列表框1)
        return -1;
    return static_cast<int32_t>(SendMessageW(mainWindow.超级列表框1, LVM_GETNEXTITEM, static_cast<WPARAM>(-1),
                                             LVNI_SELECTED));
}

void SetStatusText(int32_t part, const Text& text)
{
    if (part < 0 || static_cast<size_t>(part) >= statusTexts.size())
        return;
    statusTexts[part] = text;
    SendMessageW(mainWindow.状态条1, SB_SETTEXTW, part, reinterpret_cast<LPARAM>(WideFromGbk(text).c_str()));
}

Text StatusText(int32_t part)
{
    if (part < 0 || static_cast<size_t>(part) >= statusTexts.size())
        return Text();
    return statusTexts[part];
}

void SetStatusPartWidth(int32_t part, int32_t width)
{
    if (part < 0 || static_cast<size_t>(part) >= statusWidths.size())
        return;
    statusWidths[part] = width < -1 ? -1 : width;
    ApplyStatusParts();
}

void MoveControl(HWND control, int left, int top, int width, int height)
{
    if (!control || !mainWindow.window)
        return;
    RECT current;
    GetWindowRect(control, &current);
    MapWindowPoints(nullptr, mainWindow.window, reinterpret_cast<POINT*>(&current), 2);
    int currentWidth = current.right - current.left;
    int currentHeight = current.bottom - current.top;
    // -1 keeps the current size; any other negative size shows as nothing.
    if (width == -1)
        width = currentWidth;
    if (height == -1)
        height = currentHeight;
    if (width < 0)
        width = 0;
    if (height < 0)
        height = 0;
    if (left == current.left && top == current.top && width == currentWidth && height == currentHeight)
        return;
    MoveWindow(control, left, top, width, height, TRUE);
}

int ClientWidth()
{
    RECT client = {};
    if (mainWindow.window)
        GetClientRect(mainWindow.window, &client);
    return client.right - client.left;
}

int ClientHeight()
{
    RECT client = {};
    if (mainWindow.window)
        GetClientRect(mainWindow.window, &client);
    return client.bottom - client.top;
}

void ShowPopupMenu(HMENU topLevelMenu)
{
    if (!topLevelMenu || !mainWindow.window)
        return;
    // A fresh popup per showing, from the items of the template's menu (all
    // of them visible), destroyed again when it closes.
    HMENU popup = CreatePopupMenu();
    if (!popup)
        return;
    int count = GetMenuItemCount(topLevelMenu);
    for (int i = 0; i < count; ++i) {
        wchar_t caption[128] = {};
        MENUITEMINFOW item = {};
        item.cbSize = sizeof item;
        item.fMask = MIIM_ID | MIIM_STRING;
        item.dwTypeData = caption;
        item.cch = static_cast<UINT>(std::size(caption));
        if (GetMenuItemInfoW(topLevelMenu, i, TRUE, &item))
            AppendMenuW(popup, MF_STRING, item.wID, caption);
    }

    POINT pointer = {};
    GetCursorPos(&pointer);
    HWND owner = mainWindow.window;
    // Without the foreground the menu would not close on a click elsewhere.
    SetForegroundWindow(owner);
    TrackPopupMenu(popup, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, pointer.x + 3, pointer.y + 3, 0, owner,
                   nullptr);
    PostMessageW(owner, WM_NULL, 0, 0);
    DestroyMenu(popup);
}

void SetClipboardText(const Text& text)
{
    if (!OpenClipboard(nullptr))
        return;
    EmptyClipboard();
    // CF_TEXT as the program holds it, and CF_UNICODETEXT beside it, so that
    // the link pastes right whatever the reader's code page.
    PutOnClipboard(CF_TEXT, text.c_str(), text.str().size() + 1);
    std::wstring wide = WideFromGbk(text);
    PutOnClipboard(CF_UNICODETEXT, wide.c_str(), (wide.size() + 1) * sizeof(wchar_t));
    CloseClipboard();
}

int ShowMessageBox(const Text& message, UINT style, const Text& title)
{
    if (!(style & MB_SYSTEMMODAL))
        style |= MB_TASKMODAL;
    return MessageBoxW(nullptr, WideFromGbk(message).c_str(), WideFromGbk(title).c_str(), style);
}

void Beep() { MessageBeep(MB_OK); }
