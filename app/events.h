// The thread's message handling, shared by the message loop and by the
// handlers that let the window breathe while they work.
#pragma once

#include <windows.h>

// Looks at a message before it is translated and dispatched; returns true
// when it has dealt with the message itself (the main window's keyboard
// handling).
using MessageFilter = bool (*)(MSG& message);
void SetMessageFilter(MessageFilter filter);

// Filters, translates and dispatches one message taken from the queue.
void HandleMessage(MSG& message);

// Processes every waiting message as the message loop would, until the queue
// is empty or the next message is the quit message, which stays queued.
// True when it stopped at the quit message (what QuitRequested tells), so a
// loop that pumps need not look a second time.
bool ProcessPendingEvents();

// True when the quit message is waiting: the main window is gone and the
// program is ending, so long work should stop where it is.
bool QuitRequested();
