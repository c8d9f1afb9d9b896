// The program's one window as the program sees it, whichever backend makes it: its handle, its
// procedure, the messages sent to it, and the order of its destruction.
#include "platform/backend.h"

static WindowProc window_proc = nullptr;
static WindowHandle live_handle = 0;
static WindowHandle next_handle = 1;
static bool destroying = false;

WindowHandle window_handle_open(WindowProc proc) {
    window_proc = proc;
    live_handle = next_handle++;
    return live_handle;
}

WindowHandle window_live() { return live_handle; }

bool window_alive(WindowHandle window) { return window != 0 && window == live_handle; }

void window_update(WindowHandle window) { window_send(window, WINDOW_PAINT, 0, 0); }

intptr_t window_send(WindowHandle window, WindowMessage message, uintptr_t wparam,
                     intptr_t lparam) {
    if (!window_alive(window)) return 0;
    return window_proc(window, message, wparam, lparam);
}

intptr_t window_default(WindowHandle window, WindowMessage message, uintptr_t, intptr_t) {
    if (message == WINDOW_CLOSE) window_destroy(window);
    return 0;
}

void window_destroy(WindowHandle window) {
    if (!window_alive(window) || destroying) return;
    destroying = true;
    // Off the screen first: the tear-down (music, display mode, cursor) happens out of sight.
    window_hide();
    window_send(window, WINDOW_DESTROY, 0, 0);
    window_release_gl(window);
    // The handle goes first, so that what the destruction itself delivers reaches no procedure.
    live_handle = 0;
    window_proc = nullptr;
    window_free();
    destroying = false;
}
