// The main window: its controls, layout, keyboard handling, popup menu and
// About box, and the operations on it that the search calls.
#pragma once

#include <windows.h>

#include <cstdint>

#include "text/text.h"

// The window and its controls, named as in the window template. All null
// while the window does not exist.
struct MainWindowHandles {
    HWND window = nullptr;
    HWND 编辑框1 = nullptr;      // keyword box
    HWND 按钮1 = nullptr;        // "搜索"
    HWND 按钮2 = nullptr;        // "继续"
    HWND 超级列表框1 = nullptr;  // result list
    HWND 状态条1 = nullptr;      // status bar
    // The window's menu bar, never shown; its one top-level menu,
    // "超文本浏览框右键菜单", is the result list's popup menu.
    HMENU menuBar = nullptr;
    HMENU 超文本浏览框右键菜单 = nullptr;
};
extern MainWindowHandles mainWindow;

// Which handler each event of the window calls; a null entry means the event
// has no handler. The window binds its own events; the program binds the
// search commands before it creates the window (a test may bind its own).
struct MainWindowEvents {
    void (*onMainWindowResized)();
    void (*onKeywordKeyDown)(int keyCode, int modifiers);
    void (*onSearchClicked)();
    void (*onContinueClicked)();
    void (*onResultListRightClick)();
    void (*onCopyMagnetLink)();
    void (*onAbout)();
};
extern MainWindowEvents mainWindowEvents;

// Creates the main window with its controls, lays it out once and shows it.
// False when the window could not be created.
bool CreateMainWindow(int showCommand);

// Handlers of this window's own events.
void OnMainWindowResized();
void OnResultListRightClick();
void OnCopyMagnetLink();
void OnAbout();

// The About box's message, four lines joined by CR LF.
Text AboutText();

// Operations on the window and its controls. List rows and columns count
// from 0.
Text ControlText(HWND control);
int32_t AddRow();
void SetCellText(int32_t row, int32_t column, const Text& text);
void ClearRows();
Text CellText(int32_t row, int32_t column);
int32_t RowCount();
int32_t SelectedRow();
void SetStatusText(int32_t part, const Text& text);
Text StatusText(int32_t part);
void SetStatusPartWidth(int32_t part, int32_t width);
void MoveControl(HWND control, int left, int top, int width, int height);
int ClientWidth();
int ClientHeight();
void ShowPopupMenu(HMENU topLevelMenu);
void SetClipboardText(const Text& text);
int ShowMessageBox(const Text& message, UINT style, const Text& title);
void Beep();
