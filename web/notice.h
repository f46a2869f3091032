// The notice box, owned by a window of this very process, and the lookup of
// the visible top-level windows that finds that owner.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <vector>

#include "text/text.h"

// One visible top-level window.
struct WindowInfo {
    HWND window = nullptr;
    uint32_t processId = 0;
    uint32_t threadId = 0;
    Text title;      // at most 255 bytes
    Text className;  // at most 49 bytes
};

// Filled while one enumeration of the windows runs, empty at every other time.
extern std::vector<WindowInfo> windowSnapshot;
void SetUpWindowSnapshot();
void ReleaseWindowSnapshot();

// Shows a message box and returns the id of the button that closed it minus
// 1 (OK 0, Cancel 1, ..., Yes 5, No 6), or -1 when no box could be shown.
// Left out, style is an OK button with the information icon, title is
// "友情提醒" and the owner is the first visible top-level window of this
// process; an owner given as nullptr shows the box without one.
int32_t ShowNotice(const Text& message, std::optional<uint32_t> style = std::nullopt,
                   std::optional<Text> title = std::nullopt, std::optional<HWND> owner = std::nullopt);

// The first visible top-level window of the process, in the order the system
// enumerates them, or nullptr.
HWND FindWindowOfProcess(uint32_t processId);

// Replaces the records of the array with those of the visible top-level
// windows, in enumeration order; returns their number.
int32_t SnapshotTopLevelWindows(std::vector<WindowInfo>& windows);

// Appends the window's record to windowSnapshot when the window is visible.
void AddWindowInfo(HWND window);

uint32_t ProcessIdOfWindow(HWND window);
uint32_t ThreadIdOfWindow(HWND window);
Text WindowTitleOf(HWND window);
Text WindowClassNameOf(HWND window);
