// The message loop: the backend's events become window messages, and whenever none waits the
// window gets WINDOW_PAINT, so painting is the frame pump.
#include "platform/backend.h"

static bool quit_posted = false;
static bool interrupt_delivered = false;

void post_quit() { quit_posted = true; }

void close_or_quit(WindowHandle window) {
    if (window != 0) {
        window_send(window, WINDOW_CLOSE, 0, 0);
    } else {
        post_quit();
    }
}

void message_loop_run() {
    while (!quit_posted) {
        if (platform_interrupted() && !interrupt_delivered) {
            interrupt_delivered = true;
            close_or_quit(window_live());
        } else if (events_deliver_one()) {
            continue;
        } else if (window_live() != 0) {
            window_send(window_live(), WINDOW_PAINT, 0, 0);
        } else {
            // Woken now and then, so that an interrupt is seen without an event.
            events_wait(20);
        }
    }
    quit_posted = false;
}
