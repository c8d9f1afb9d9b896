// What the two backends (platform/sdl/, platform/win32/) share and what each gives the shared
// part: the failure line behind platform_error(), the window's handle and procedure, and the
// message loop, which takes events through the backend's two hooks. The program never includes
// this.
#pragma once

#include <cstdint>

#include "platform/platform.h"

// Records the reason of a failure for platform_error() ("reason: detail", or the reason alone when
// detail is empty) and returns false.
bool platform_fail(const char* reason, const char* detail);

// ---- The window's handle (window_handle.cpp) -----------------------------------------------
// Gives the window the backend has just made its handle and procedure.
WindowHandle window_handle_open(WindowProc proc);
// The window that exists now, or 0.
WindowHandle window_live();
// The backend's parts of window_destroy: before WINDOW_DESTROY it takes the window off the
// screen, as the system the program was written for hides a window it destroys before the
// window hears of it; once the handle has gone it frees the window.
void window_hide();
void window_free();

// ---- The message loop (message_loop.cpp) ---------------------------------------------------
// An interrupt, or the system's request to quit, ends the program the ordinary way: the window
// is closed, or without one the loop ends.
void close_or_quit(WindowHandle window);
// The backend's hooks: deliver one waiting event (false when none waits), and wait up to ms for
// an event and deliver it.
bool events_deliver_one();
void events_wait(uint32_t ms);
