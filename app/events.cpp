#include "app/events.h"

namespace {
MessageFilter messageFilter = nullptr;
}

void SetMessageFilter(MessageFilter filter) { messageFilter = filter; }

void HandleMessage(MSG& message)
{
    if (messageFilter && messageFilter(message))
        return;
    TranslateMessage(&message);
    DispatchMessageW(&message);
}

bool ProcessPendingEvents()
{
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE)) {
        if (message.message == WM_QUIT)
            return true;
        if (!PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
            return false;
        if (message.message == WM_QUIT) {
            // Something queued the quit message between the two looks: leave
            // it for the message loop.
            PostQuitMessage(static_cast<int>(message.wParam));
            return true;
        }
        HandleMessage(message);
    }
    return false;
}

bool QuitRequested()
{
    MSG message;
    return PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE) != 0;
}
