// The two fatal faults, for the start-up tests, each of which must end the
// process with an error box and exit code -1 without the exit handler:
//   fatal_probe <marker>          runs out of memory (its exit handler would
//                                 leave the marker file behind);
//   fatal_probe <marker> window   runs the program, whose main window cannot
//                                 be created: this program has no resources.
#include <windows.h>

#include <cstddef>
#include <new>

#include "app/framework.h"
#include "app/program.h"

namespace {

const wchar_t* markerPath = nullptr;
char* volatile keptBlock = nullptr;  // so the allocation cannot be left out

void WriteMarker()
{
    HANDLE file = CreateFileW(markerPath, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
}

int RunOutOfMemory()
{
    RegisterExitHandler(WriteMarker);
    // More than any machine has: the allocation fails.
    volatile size_t huge = static_cast<size_t>(1) << 62;
    keptBlock = new char[huge];
    return 0;  // not reached
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2)
        return 2;
    markerPath = argv[1];
    if (argc > 2 && lstrcmpW(argv[2], L"window") == 0)
        return RunApplication(RunProgram);
    return RunApplication(RunOutOfMemory);
}
