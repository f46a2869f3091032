// The notice box and the window lookup behind it. Every box is closed by a
// watcher thread of the test, which finds it, notes its owner and title and
// presses a button, so no test waits for a person.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <initializer_list>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/text_printing.h"
#include "text/wide.h"
#include "web/notice.h"

namespace {

const wchar_t kTestWindowClass[] = L"VeskNoticeTestWindow";

// A top-level window of the test, destroyed with the object.
struct TestWindow {
    HWND handle = nullptr;
    TestWindow(const wchar_t* title, bool visible, const wchar_t* className = kTestWindowClass)
    {
        handle = CreateWindowExW(0, className, title, WS_OVERLAPPEDWINDOW, 10, 10, 200, 100, nullptr, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
        if (visible)
            ShowWindow(handle, SW_SHOWNOACTIVATE);
    }
    ~TestWindow() { DestroyWindow(handle); }
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;
};

void RegisterTestClass(const wchar_t* name)
{
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = name;
    RegisterClassW(&windowClass);
}

// Puts a window first in the order in which the system enumerates the
// top-level windows. A closed box hands the activation back to its owner,
// which moves the owner up, and the X11 driver may do so a little later:
// the queue is worked off for a moment first, so that the late move does
// not undo this one.
void RaiseToTop(HWND window)
{
    for (int i = 0; i < 10; ++i) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        Sleep(10);
    }
    SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

struct SeenBox {
    bool found = false;
    HWND owner = nullptr;
    std::wstring title;
    unsigned buttons = 0;  // bit n set: the box has the button with id n
};

constexpr unsigned Buttons(std::initializer_list<int> ids)
{
    unsigned bits = 0;
    for (int id : ids)
        bits |= 1u << id;
    return bits;
}

// Waits on its own thread for a message box of this process, notes what it
// sees and presses the given button.
class BoxCloser {
public:
    explicit BoxCloser(int button) : thread_([this, button] { Run(button); }) {}
    ~BoxCloser() { Join(); }
    const SeenBox& Seen()
    {
        Join();
        return seen_;
    }

private:
    void Join()
    {
        if (thread_.joinable())
            thread_.join();
    }

    static BOOL CALLBACK FindBox(HWND window, LPARAM found)
    {
        DWORD processId = 0;
        GetWindowThreadProcessId(window, &processId);
        wchar_t className[16] = {};
        GetClassNameW(window, className, 16);
        if (processId == GetCurrentProcessId() && IsWindowVisible(window) && std::wstring(className) == L"#32770") {
            *reinterpret_cast<HWND*>(found) = window;
            return FALSE;
        }
        return TRUE;
    }

    void Run(int button)
    {
        ULONGLONG deadline = GetTickCount64() + 20'000;
        while (GetTickCount64() < deadline) {
            HWND box = nullptr;
            EnumWindows(FindBox, reinterpret_cast<LPARAM>(&box));
            if (box) {
                seen_.found = true;
                seen_.owner = GetWindow(box, GW_OWNER);
                wchar_t title[256] = {};
                GetWindowTextW(box, title, 256);
                seen_.title = title;
                for (int id = IDOK; id <= IDNO; ++id) {
                    if (GetDlgItem(box, id))
                        seen_.buttons |= 1u << id;
                }
                PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                             reinterpret_cast<LPARAM>(GetDlgItem(box, button)));
                return;
            }
            Sleep(20);
        }
    }

    SeenBox seen_;
    std::thread thread_;
};

class NoticeTest : public testing::Test {
protected:
    static void SetUpTestSuite() { RegisterTestClass(kTestWindowClass); }
};

TEST_F(NoticeTest, IsOwnedByTheFirstVisibleWindowOfTheProcess)
{
    TestWindow first(L"first", true);
    TestWindow second(L"second", true);
    TestWindow hidden(L"hidden", false);

    for (HWND raised : {first.handle, second.handle}) {
        SCOPED_TRACE(testing::Message() << "raised " << raised);
        RaiseToTop(raised);
        EXPECT_EQ(FindWindowOfProcess(GetCurrentProcessId()), raised);
        BoxCloser closer(IDOK);
        EXPECT_EQ(ShowNotice("有新消息"), 0);
        const SeenBox& seen = closer.Seen();
        ASSERT_TRUE(seen.found);
        EXPECT_EQ(seen.owner, raised);
        EXPECT_EQ(GbkFromWide(seen.title), T("友情提醒"));
        EXPECT_EQ(seen.buttons, Buttons({IDOK}));
    }
    // A hidden window is never recorded, even when it comes first.
    RaiseToTop(hidden.handle);
    EXPECT_EQ(FindWindowOfProcess(GetCurrentProcessId()), second.handle);
}

TEST_F(NoticeTest, HasNoOwnerWithoutAVisibleWindowOfTheProcess)
{
    TestWindow hidden(L"hidden", false);
    RaiseToTop(hidden.handle);
    EXPECT_EQ(FindWindowOfProcess(GetCurrentProcessId()), nullptr);
    BoxCloser closer(IDOK);
    EXPECT_EQ(ShowNotice("有新消息"), 0);
    ASSERT_TRUE(closer.Seen().found);
    EXPECT_EQ(closer.Seen().owner, nullptr);
}

TEST_F(NoticeTest, GivenArgumentsStayDistinctFromLeftOut)
{
    // One visible window, which a lookup finds, and a hidden one, which no
    // lookup ever gives: a box owned by it was given its owner.
    TestWindow visible(L"visible", true);
    TestWindow hidden(L"hidden", false);

    const struct {
        std::optional<uint32_t> style;
        std::optional<Text> title;
        std::optional<HWND> owner;
        int press;
        int32_t expectedResult;
        HWND expectedOwner;
        const char* expectedTitle;
        unsigned expectedButtons;
    } cases[] = {
        // An owner given as 0 means none, and nothing is looked up.
        {std::nullopt, std::nullopt, nullptr, IDOK, 0, nullptr, "友情提醒", Buttons({IDOK})},
        {std::nullopt, std::nullopt, hidden.handle, IDOK, 0, hidden.handle, "友情提醒", Buttons({IDOK})},
        // An empty title is a title: it stays empty.
        {MB_OKCANCEL, Text(), std::nullopt, IDCANCEL, 1, visible.handle, "", Buttons({IDOK, IDCANCEL})},
        {MB_ABORTRETRYIGNORE, Text("下载"), std::nullopt, IDRETRY, 3, visible.handle, "下载",
         Buttons({IDABORT, IDRETRY, IDIGNORE})},
        {MB_YESNO | MB_ICONQUESTION, std::nullopt, std::nullopt, IDNO, 6, visible.handle, "友情提醒",
         Buttons({IDYES, IDNO})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "pressed " << c.press << ", expected title " << c.expectedTitle);
        BoxCloser closer(c.press);
        EXPECT_EQ(ShowNotice("是否继续？", c.style, c.title, c.owner), c.expectedResult);
        const SeenBox& seen = closer.Seen();
        ASSERT_TRUE(seen.found);
        EXPECT_EQ(seen.owner, c.expectedOwner);
        EXPECT_EQ(GbkFromWide(seen.title), T(c.expectedTitle));
        EXPECT_EQ(seen.buttons, c.expectedButtons);
    }
}

TEST_F(NoticeTest, ABoxThatCannotBeShownGivesMinusOne)
{
    HWND noWindow = reinterpret_cast<HWND>(static_cast<ULONG_PTR>(0xDEAD0));
    EXPECT_EQ(ShowNotice("有新消息", std::nullopt, std::nullopt, noWindow), -1);
}

bool Holds(const std::vector<WindowInfo>& windows, HWND window)
{
    return std::count_if(windows.begin(), windows.end(), [window](const WindowInfo& w) { return w.window == window; }) == 1;
}

TEST_F(NoticeTest, SnapshotsAreCompleteIndependentAndLeaveNothingBehind)
{
    TestWindow shown(L"快照窗口", true);
    TestWindow hidden(L"hidden", false);

    std::vector<WindowInfo> first;
    int32_t count = SnapshotTopLevelWindows(first);
    EXPECT_EQ(count, static_cast<int32_t>(first.size()));
    EXPECT_TRUE(windowSnapshot.empty());
    ASSERT_TRUE(Holds(first, shown.handle));
    EXPECT_FALSE(Holds(first, hidden.handle));
    for (const WindowInfo& info : first)
        EXPECT_TRUE(IsWindowVisible(info.window)) << "window " << info.window;

    auto record = std::find_if(first.begin(), first.end(), [&](const WindowInfo& w) { return w.window == shown.handle; });
    EXPECT_EQ(record->processId, GetCurrentProcessId());
    EXPECT_EQ(record->threadId, GetCurrentThreadId());
    EXPECT_EQ(record->title, T("快照窗口"));
    EXPECT_EQ(record->className, GbkFromWide(kTestWindowClass));

    // The second snapshot replaces what the array held and repeats nothing
    // of the first.
    std::vector<WindowInfo> second = {WindowInfo{reinterpret_cast<HWND>(1), 1, 1, "old", "old"}};
    count = SnapshotTopLevelWindows(second);
    EXPECT_EQ(count, static_cast<int32_t>(second.size()));
    EXPECT_TRUE(windowSnapshot.empty());
    EXPECT_TRUE(Holds(second, shown.handle));
    EXPECT_FALSE(Holds(second, reinterpret_cast<HWND>(1)));
    EXPECT_EQ(second.size(), first.size());
}

TEST_F(NoticeTest, IdsOfAWindowOfAnotherThread)
{
    // A window lives only as long as the thread that made it.
    std::atomic<DWORD> threadId{0};
    std::atomic<bool> done{false};
    std::atomic<HWND> live{nullptr};
    std::thread keeper([&] {
        threadId = GetCurrentThreadId();
        live = CreateWindowExW(0, kTestWindowClass, L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
        while (!done)
            Sleep(5);
        DestroyWindow(live);
    });
    while (!live)
        Sleep(5);
    EXPECT_EQ(ThreadIdOfWindow(live), threadId);
    EXPECT_NE(ThreadIdOfWindow(live), GetCurrentThreadId());
    EXPECT_EQ(ProcessIdOfWindow(live), GetCurrentProcessId());
    done = true;
    keeper.join();
}

TEST_F(NoticeTest, TitleAndClassNameAreCutToTheirBuffers)
{
    const struct {
        std::wstring title;
        std::string expected;
    } titles[] = {
        {std::wstring(300, L'a'), std::string(255, 'a')},
        {std::wstring(255, L'b'), std::string(255, 'b')},
        // 200 Chinese characters are 400 bytes: 127 of them fit in 255
        // bytes, and no character is cut in half.
        {std::wstring(200, L'\u4E2D'), [] {
             std::string s;
             for (int i = 0; i < 127; ++i)
                 s += "\xD6\xD0";
             return s;
         }()},
        {L"", ""},
    };
    for (const auto& c : titles) {
        SCOPED_TRACE(testing::Message() << "title of " << c.title.size() << " units");
        TestWindow window(c.title.c_str(), false);
        EXPECT_EQ(WindowTitleOf(window.handle), Text(c.expected));
    }

    std::wstring longClass = L"VeskNoticeTestClassWithAVeryLongNameThatGoesOnAndOn0123456789";
    ASSERT_GT(longClass.size(), 49u);
    RegisterTestClass(longClass.c_str());
    TestWindow window(L"", false, longClass.c_str());
    EXPECT_EQ(WindowClassNameOf(window.handle), LeftText(GbkFromWide(longClass), 49));
}

TEST_F(NoticeTest, NoWindowForAProcessWithoutOne)
{
    EXPECT_EQ(FindWindowOfProcess(0xFFFFFFF0u), nullptr);
    EXPECT_TRUE(windowSnapshot.empty());
}

}  // namespace
