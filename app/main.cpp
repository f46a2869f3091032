#include <windows.h>

#include "app/framework.h"
#include "app/program.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    return RunApplication(RunProgram);
}
