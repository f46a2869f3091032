// A program that runs out of memory inside the application framework, for
// the start-up tests: it must end with an error box and exit code -1, and
// without its exit handler (which would leave a file behind).
#include <windows.h>

#include <cstddef>
#include <new>

#include "app/framework.h"

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
    return RunApplication(RunOutOfMemory);
}
