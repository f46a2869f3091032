#include "web/notice.h"

#include "text/wide.h"

std::vector<WindowInfo> windowSnapshot;

namespace {

constexpr uint32_t kNoticeStyle = MB_OK | MB_ICONINFORMATION;
constexpr int kTitleBufferBytes = 256;
constexpr int kClassNameBufferBytes = 50;

BOOL CALLBACK RecordWindow(HWND window, LPARAM)
{
    AddWindowInfo(window);
    return TRUE;  // every top-level window, always
}

// The window's texts are read as UTF-16 and kept in GBK, cut to what a byte
// buffer of the given size holds with its terminating zero, never inside a
// two-byte character.
Text FitInBuffer(const Text& text, int bufferBytes)
{
    int32_t limit = bufferBytes - 1;
    if (TextLength(text) <= limit)
        return text;
    int32_t end = 0;
    while (end < TextLength(text)) {
        int32_t next = end + (text.at(end) >= 0x80 ? 2 : 1);
        if (next > limit)
            break;
        end = next;
    }
    return LeftText(text, end);
}

}  // namespace

void SetUpWindowSnapshot() { windowSnapshot = std::vector<WindowInfo>(); }

void ReleaseWindowSnapshot()
{
    windowSnapshot.clear();
    windowSnapshot.shrink_to_fit();
}

int32_t ShowNotice(const Text& message, std::optional<uint32_t> style, std::optional<Text> title,
                   std::optional<HWND> owner)
{
    HWND ownerWindow = owner ? *owner : FindWindowOfProcess(GetCurrentProcessId());
    Text titleText = title ? *title : Text("友情提醒");
    UINT boxStyle = style ? *style : kNoticeStyle;
    int button = MessageBoxW(ownerWindow, WideFromGbk(message).c_str(), WideFromGbk(titleText).c_str(), boxStyle);
    // Windows reports a box that could not be shown as 0, Wine as -1.
    if (button <= 0)
        return -1;
    return button - 1;
}

HWND FindWindowOfProcess(uint32_t processId)
{
    std::vector<WindowInfo> windows;
    SnapshotTopLevelWindows(windows);
    for (const WindowInfo& info : windows) {
        if (info.processId == processId)
            return info.window;
    }
    return nullptr;
}

int32_t SnapshotTopLevelWindows(std::vector<WindowInfo>& windows)
{
    // The callback only reads window data; a title is read with at most a
    // WM_GETTEXT, and nothing is taken from the message queue, so no handler
    // can touch windowSnapshot while the enumeration runs.
    EnumWindows(RecordWindow, 0);
    windows = windowSnapshot;
    windowSnapshot.clear();
    return static_cast<int32_t>(windows.size());
}

void AddWindowInfo(HWND window)
{
    if (!IsWindowVisible(window))
        return;
    WindowInfo info;
    info.window = window;
    info.processId = ProcessIdOfWindow(window);
    info.threadId = ThreadIdOfWindow(window);
    info.title = WindowTitleOf(window);
    info.className = WindowClassNameOf(window);
    windowSnapshot.push_back(std::move(info));
}

uint32_t ProcessIdOfWindow(HWND window)
{
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    return processId;
}

uint32_t ThreadIdOfWindow(HWND window) { return GetWindowThreadProcessId(window, nullptr); }

Text WindowTitleOf(HWND window)
{
    // As many units as the byte buffer has bytes: every unit takes at least
    // one byte in GBK, so the cut below always has enough to work with.
    wchar_t title[kTitleBufferBytes] = {};
    int length = GetWindowTextW(window, title, kTitleBufferBytes);
    return FitInBuffer(GbkFromWide(std::wstring_view(title, length > 0 ? length : 0)), kTitleBufferBytes);
}

Text WindowClassNameOf(HWND window)
{
    wchar_t className[kClassNameBufferBytes] = {};
    int length = GetClassNameW(window, className, kClassNameBufferBytes);
    return FitInBuffer(GbkFromWide(std::wstring_view(className, length > 0 ? length : 0)), kClassNameBufferBytes);
}
