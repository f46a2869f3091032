// Start-up and shutdown: the whole program run in this process, and the real
// vesk.exe run as a child process.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "app/framework.h"
#include "app/main_window.h"
#include "app/program.h"
#include "tests/support/window_driving.h"

namespace {

// Presses Esc in the given control of the main window once it is up.
HWND* escTarget = nullptr;
void CALLBACK PressEscWhenShown(HWND, UINT, UINT_PTR timer, DWORD)
{
    if (!mainWindow.window || !IsWindowVisible(mainWindow.window))
        return;
    KillTimer(nullptr, timer);
    SetFocus(*escTarget);
    PostMessageW(*escTarget, WM_KEYDOWN, VK_ESCAPE, 1);
}

TEST(Program, EscEndsTheRunWithExitCodeZeroAndOneExitHandlerRun)
{
    for (HWND* control : {&mainWindow.超级列表框1, &mainWindow.按钮1}) {
        escTarget = control;
        int runsBefore = ExitHandlerRuns();
        SetTimer(nullptr, 0, 20, PressEscWhenShown);
        EXPECT_EQ(RunApplication(RunProgram), 0);
        EXPECT_EQ(ExitHandlerRuns(), runsBefore + 1);
        EXPECT_EQ(mainWindow.window, nullptr);
    }
}

TEST(Program, TheExitHandlerRunsOnceAndNotAfterWithdrawal)
{
    static int calls;
    calls = 0;
    RegisterExitHandler([] { ++calls; });
    EXPECT_EQ(RunApplication([] { return 0; }), 0);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(RunApplication([] { return 0; }), 0);
    EXPECT_EQ(calls, 1) << "a registration is good for one end only";

    RegisterExitHandler([] { ++calls; });
    WithdrawExitHandler();
    RunApplication([] { return 0; });
    EXPECT_EQ(calls, 1);
}

// The first visible top-level window of the given process and class, once
// it is there; null when none appears in time.
HWND WaitForWindowOf(DWORD processId, const char* className, DWORD timeoutMs)
{
    struct Search {
        DWORD processId;
        Text className;
        HWND found;
    } search = {processId, Text(className), nullptr};
    DWORD start = GetTickCount();
    while (GetTickCount() - start < timeoutMs) {
        EnumWindows(
            [](HWND window, LPARAM data) -> BOOL {
                auto& s = *reinterpret_cast<Search*>(data);
                DWORD owner = 0;
                GetWindowThreadProcessId(window, &owner);
                if (owner == s.processId && IsWindowVisible(window) && ClassNameOf(window) == s.className) {
                    s.found = window;
                    return FALSE;
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&search));
        if (search.found)
            return search.found;
        Sleep(50);
    }
    return nullptr;
}

std::wstring TestsFolder()
{
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring p = path;
    p.resize(p.find_last_of(L"\\/") + 1);  // .../tests/
    return p;
}

std::wstring ProgramPath()
{
    std::wstring p = TestsFolder();
    p.resize(p.size() - 1);
    p.resize(p.find_last_of(L"\\/") + 1);  // the build folder
    return p + L"vesk.exe";
}

// Runs the probe, closes the error box it shows and gives its exit code.
DWORD RunFatalProbe(const std::wstring& marker, const wchar_t* mode, bool* boxShown)
{
    std::wstring command = L"\"" + TestsFolder() + L"fatal_probe.exe\" \"" + marker + L"\" " + mode;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        ADD_FAILURE() << "cannot start the probe";
        return 0;
    }
    HWND box = WaitForWindowOf(process.dwProcessId, "#32770", 20000);
    *boxShown = box != nullptr;
    if (box)
        PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    if (WaitForSingleObject(process.hProcess, 20000) != WAIT_OBJECT_0)
        TerminateProcess(process.hProcess, 99);
    DWORD exitCode = 0;
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return exitCode;
}

TEST(Program, TheFatalFaultsEndWithAnErrorBoxAndMinusOne)
{
    std::wstring marker = TestsFolder() + L"fatal_probe.marker";
    for (const wchar_t* mode : {L"memory", L"window"}) {
        SCOPED_TRACE(GbkFromWide(mode).str());
        DeleteFileW(marker.c_str());
        bool boxShown = false;
        EXPECT_EQ(RunFatalProbe(marker, mode, &boxShown), static_cast<DWORD>(-1));
        EXPECT_TRUE(boxShown) << "no error message box appeared";
        if (std::wstring(mode) == L"memory") {  // the probe's own exit handler would leave the marker
            EXPECT_EQ(GetFileAttributesW(marker.c_str()), INVALID_FILE_ATTRIBUTES) << "the exit handler must not run";
        }
    }
}

TEST(Program, TheRealProgramClosesOnEscWithExitCodeZero)
{
    std::wstring path = ProgramPath();
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    ASSERT_TRUE(CreateProcessW(path.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        << "cannot start the program";
    HWND window = WaitForWindowOf(process.dwProcessId, "VeskMainWindow", 20000);
    EXPECT_NE(window, nullptr) << "the program's window did not appear";
    if (window) {
        wchar_t title[64] = {};
        GetWindowTextW(window, title, 64);
        EXPECT_STREQ(title, L"Vesk种子搜索器");
        HWND list = FindWindowExW(window, nullptr, L"SysListView32", nullptr);
        ASSERT_NE(list, nullptr);
        PostMessageW(list, WM_KEYDOWN, VK_ESCAPE, 1);
    }
    DWORD waited = WaitForSingleObject(process.hProcess, 20000);
    if (waited != WAIT_OBJECT_0)
        TerminateProcess(process.hProcess, 99);
    EXPECT_EQ(waited, WAIT_OBJECT_0) << "the program did not end";
    DWORD exitCode = 12345;
    GetExitCodeProcess(process.hProcess, &exitCode);
    EXPECT_EQ(exitCode, 0u);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

}  // namespace
