#include "app/framework.h"

#include <windows.h>
#include <ole2.h>

#include <new>

namespace {

ExitHandler exitHandler = nullptr;
int exitHandlerRuns = 0;

void OnOutOfMemory() { EndWithFatalError(L"内存不足，程序无法继续运行。"); }

}  // namespace

void RegisterExitHandler(ExitHandler handler) { exitHandler = handler; }

void WithdrawExitHandler() { exitHandler = nullptr; }

int ExitHandlerRuns() { return exitHandlerRuns; }

int RunApplication(int (*start)())
{
    OleInitialize(nullptr);
    std::set_new_handler(OnOutOfMemory);
    int exitCode = start();
    if (ExitHandler handler = exitHandler) {
        exitHandler = nullptr;  // once, even should the handler end in here again
        ++exitHandlerRuns;
        handler();
    }
    OleUninitialize();
    return exitCode;
}

void EndWithFatalError(const wchar_t* message)
{
    exitHandler = nullptr;
    MessageBoxW(nullptr, message, L"Vesk种子搜索器", MB_ICONERROR | MB_OK | MB_TASKMODAL);
    ExitProcess(static_cast<UINT>(-1));
}
