// The message loop: PeekMessage takes whatever waits, and whenever the queue is empty the window
// gets WINDOW_PAINT, so painting is the frame pump.
#include "platform/win32/internal.h"

static bool quit_posted = false;
static bool interrupt_delivered = false;

void post_quit() { quit_posted = true; }

// An interrupt, or a quit posted to the thread, ends the program the ordinary way.
static void close_or_quit(WindowHandle window) {
    if (window != 0) {
        window_send(window, WINDOW_CLOSE, 0, 0);
    } else {
        post_quit();
    }
}

void message_loop_run() {
    while (!quit_posted) {
        MSG message;
        if (platform_interrupted() && !interrupt_delivered) {
            interrupt_delivered = true;
            close_or_quit(window_live());
        } else if (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                close_or_quit(window_live());
                continue;
            }
            TranslateMessage(&message);
            DispatchMessageA(&message);
        } else if (window_live() != 0) {
            window_send(window_live(), WINDOW_PAINT, 0, 0);
        } else {
            // Woken by any message, and now and then, so that an interrupt is seen without one.
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        }
    }
    quit_posted = false;
}
