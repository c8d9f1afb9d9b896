// The thread's messages for the message loop: PeekMessage takes whatever waits and the window's
// procedure turns it into window messages; a quit posted to the thread ends the program the
// ordinary way.
#include "platform/win32/internal.h"

bool events_deliver_one() {
    MSG message;
    if (!PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) return false;
    if (message.message == WM_QUIT) {
        close_or_quit(window_live());
        return true;
    }
    TranslateMessage(&message);
    DispatchMessageA(&message);
    return true;
}

// Woken by any message, or after ms.
void events_wait(uint32_t ms) { MsgWaitForMultipleObjects(0, nullptr, FALSE, ms, QS_ALLINPUT); }
