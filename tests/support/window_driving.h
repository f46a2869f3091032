// Driving windows from a test: reading texts, pressing modifier keys,
// watching popup menus and message boxes while their modal loops run.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "app/main_window.h"
#include "text/text.h"
#include "text/wide.h"

inline Text WindowTextOf(HWND window) { return ControlText(window); }

inline Text ClassNameOf(HWND window)
{
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return GbkFromWide(name);
}

// Takes a quit message out of the queue; true when there was one.
inline bool DrainQuitMessage()
{
    MSG message;
    bool found = false;
    while (PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE))
        found = true;
    return found;
}

// Sets the thread's view of the modifier keys, as GetKeyState reports them.
inline void SetModifierKeys(bool shift, bool control, bool alt)
{
    BYTE state[256];
    GetKeyboardState(state);
    auto set = [&](int key, bool down) { state[key] = down ? 0x80 : 0; };
    set(VK_SHIFT, shift);
    set(VK_LSHIFT, shift);
    set(VK_CONTROL, control);
    set(VK_LCONTROL, control);
    set(VK_MENU, alt);
    set(VK_LMENU, alt);
    SetKeyboardState(state);
}

inline Text ClipboardAnsiText()
{
    Text result;
    if (!OpenClipboard(nullptr))
        return result;
    if (HANDLE data = GetClipboardData(CF_TEXT)) {
        if (const char* bytes = static_cast<const char*>(GlobalLock(data))) {
            result = Text(bytes);
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return result;
}

inline std::wstring ClipboardUnicodeText()
{
    std::wstring result;
    if (!OpenClipboard(nullptr))
        return result;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const wchar_t* units = static_cast<const wchar_t*>(GlobalLock(data))) {
            result = units;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return result;
}

inline bool ClipboardHasText() { return IsClipboardFormatAvailable(CF_TEXT) != 0; }

// Watches for the popup menu while its modal loop runs: records its items
// and place, then presses the given keys in it.
struct MenuSpy;
// Watches for a message box of this thread: records it and closes it.
struct MessageBoxSpy;

namespace window_driving_detail {
inline MenuSpy* activeMenuSpy = nullptr;
inline MessageBoxSpy* activeBoxSpy = nullptr;
inline UINT_PTR timer = 0;
void CALLBACK OnTick(HWND, UINT, UINT_PTR, DWORD);
inline void StartTicking()
{
    if (!timer)
        timer = SetTimer(nullptr, 0, 30, OnTick);
}
inline void StopTickingIfIdle()
{
    if (timer && !activeMenuSpy && !activeBoxSpy) {
        KillTimer(nullptr, timer);
        timer = 0;
    }
}
}  // namespace window_driving_detail

struct MenuSpy {
    std::vector<WPARAM> keysToPress;
    bool menuSeen = false;
    bool keysPressed = false;
    std::vector<Text> items;
    POINT menuTopLeft = {};

    MenuSpy()
    {
        window_driving_detail::activeMenuSpy = this;
        window_driving_detail::StartTicking();
    }
    ~MenuSpy()
    {
        window_driving_detail::activeMenuSpy = nullptr;
        window_driving_detail::StopTickingIfIdle();
    }
    MenuSpy(const MenuSpy&) = delete;
    MenuSpy& operator=(const MenuSpy&) = delete;

    void Look()
    {
        if (keysPressed)
            return;
        HWND menu = FindWindowW(L"#32768", nullptr);
        if (!menu || !IsWindowVisible(menu))
            return;
        menuSeen = true;
        RECT place;
        GetWindowRect(menu, &place);
        menuTopLeft = {place.left, place.top};
        HMENU handle = reinterpret_cast<HMENU>(SendMessageW(menu, MN_GETHMENU, 0, 0));
        for (int i = 0; handle && i < GetMenuItemCount(handle); ++i) {
            wchar_t caption[64] = {};
            GetMenuStringW(handle, i, caption, 64, MF_BYPOSITION);
            items.push_back(GbkFromWide(caption));
        }
        for (WPARAM key : keysToPress)
            PostMessageW(menu, WM_KEYDOWN, key, 1);
        if (keysToPress.empty())
            PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 1);
        keysPressed = true;
    }
};

struct MessageBoxSpy {
    int buttonToPress = IDOK;
    bool seen = false;
    Text title;
    Text message;
    UINT style = 0;
    int buttons = 0;
    bool ownerWindowsDisabled = false;

    MessageBoxSpy()
    {
        window_driving_detail::activeBoxSpy = this;
        window_driving_detail::StartTicking();
    }
    ~MessageBoxSpy()
    {
        window_driving_detail::activeBoxSpy = nullptr;
        window_driving_detail::StopTickingIfIdle();
    }
    MessageBoxSpy(const MessageBoxSpy&) = delete;
    MessageBoxSpy& operator=(const MessageBoxSpy&) = delete;

    static BOOL CALLBACK FindBox(HWND window, LPARAM found)
    {
        if (IsWindowVisible(window) && ClassNameOf(window) == Text("#32770")) {
            *reinterpret_cast<HWND*>(found) = window;
            return FALSE;
        }
        return TRUE;
    }

    static BOOL CALLBACK LookAtChild(HWND child, LPARAM self)
    {
        MessageBoxSpy& spy = *reinterpret_cast<MessageBoxSpy*>(self);
        Text kind = ClassNameOf(child);
        LONG childStyle = GetWindowLongW(child, GWL_STYLE);
        if (CompareText(kind, Text("Button"), false) == 0 && IsWindowVisible(child))
            ++spy.buttons;
        if (CompareText(kind, Text("Static"), false) == 0) {
            if ((childStyle & SS_TYPEMASK) == SS_ICON)
                spy.style |= MB_ICONINFORMATION;  // an icon is shown
            else if (GetDlgCtrlID(child) == 0xFFFF)
                spy.message = WindowTextOf(child);
        }
        return TRUE;
    }

    void Look()
    {
        if (seen)
            return;
        HWND box = nullptr;
        EnumThreadWindows(GetCurrentThreadId(), FindBox, reinterpret_cast<LPARAM>(&box));
        if (!box)
            return;
        seen = true;
        title = WindowTextOf(box);
        EnumChildWindows(box, LookAtChild, reinterpret_cast<LPARAM>(this));
        ownerWindowsDisabled = mainWindow.window && !IsWindowEnabled(mainWindow.window);
        PostMessageW(box, WM_COMMAND, MAKEWPARAM(buttonToPress, BN_CLICKED), 0);
    }
};

inline void CALLBACK window_driving_detail::OnTick(HWND, UINT, UINT_PTR, DWORD)
{
    if (activeBoxSpy)
        activeBoxSpy->Look();
    if (activeMenuSpy)
        activeMenuSpy->Look();
}

// A right click in the item area of the result list, with the pointer there:
// on the middle of the given row, or on the empty space below the rows.
inline void RightClickInList(int row = -1)
{
    POINT inList = {60, 0};
    RECT item = {LVIR_BOUNDS, 0, 0, 0};
    if (row >= 0 && SendMessageW(mainWindow.超级列表框1, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&item))) {
        inList.y = (item.top + item.bottom) / 2;
    } else {
        RECT client;
        GetClientRect(mainWindow.超级列表框1, &client);
        inList.y = client.bottom - 10;
    }
    POINT onScreen = inList;
    ClientToScreen(mainWindow.超级列表框1, &onScreen);
    SetCursorPos(onScreen.x, onScreen.y);
    LPARAM where = MAKELPARAM(inList.x, inList.y);
    PostMessageW(mainWindow.超级列表框1, WM_RBUTTONDOWN, MK_RBUTTON, where);
    PostMessageW(mainWindow.超级列表框1, WM_RBUTTONUP, 0, where);
}
