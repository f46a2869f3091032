#include "app/program.h"

#include <windows.h>

#include "app/events.h"
#include "app/framework.h"
#include "app/main_window.h"
#include "search/extract.h"
#include "search/search.h"
#include "web/notice.h"

void InitGlobals()
{
    SetUpResultRegex();
    SetUpWindowSnapshot();
}

void OnProgramExit()
{
    ReleaseLastPageText();
    ReleaseResultRegex();
    ReleaseWindowSnapshot();
}

int RunProgram()
{
    InitGlobals();
    RegisterExitHandler(OnProgramExit);

    mainWindowEvents.onKeywordKeyDown = OnKeywordKeyDown;
    mainWindowEvents.onSearchClicked = OnSearchClicked;
    mainWindowEvents.onContinueClicked = OnContinueClicked;
    if (!CreateMainWindow(SW_SHOWNORMAL)) {
        WithdrawExitHandler();
        EndWithFatalError(L"无法创建主窗口，程序将退出。");
    }

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0)
        HandleMessage(message);
    return 0;
}
