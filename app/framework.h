// The application framework around the program: OLE for the thread, the
// exit handler, and the two fatal faults.
#pragma once

using ExitHandler = void (*)();

// From here on the orderly end of the application calls the handler once.
void RegisterExitHandler(ExitHandler handler);
void WithdrawExitHandler();
// How many times the framework has run an exit handler in this process.
int ExitHandlerRuns();

// Initialises OLE, runs the start routine, then the exit handler, then
// releases OLE; returns the start routine's result as the exit code.
int RunApplication(int (*start)());

// Shows an error message box and ends the process at once with exit code -1,
// without the exit handler.
[[noreturn]] void EndWithFatalError(const wchar_t* message);
