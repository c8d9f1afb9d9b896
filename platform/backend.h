// What the two backends (platform/sdl/, platform/win32/) share and what each gives the shared
// part: the failure line behind platform_error(), the window's handle and procedure, the message
// loop, which takes events through the backend's two hooks, and the silent device, which keeps
// time by the backend's clock. The program never includes this.
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

// ---- The silent device (silent_device.cpp) -------------------------------------------------
// Frames a device takes from the buffer at a time: few, so that what it has taken is close to
// what is heard.
constexpr uint16_t wave_out_chunk_frames = 512;

// What wave-out plays on where no output device opens: each backend's wave_out_ functions call
// these while no device of its own is open; wave_out_silent() says whether this one is. It takes
// the buffer at the rate it was opened with, wave_out_chunk_frames at a time, by the clock below.
// Opens it; false for a rate that is not positive.
bool silent_open(int32_t rate);
// Starts taking the buffer now, the count from 0. Does nothing while it is closed.
void silent_write();
// The count of wave_out_position; false while it is closed.
bool silent_position(uint32_t* bytes);
// Stops taking; the count returns to 0.
void silent_reset();
void silent_close();

// The backend's monotonic clock (its wave_out.cpp): ticks that never go back, and how many of
// them make a second.
uint64_t clock_ticks();
uint64_t clock_ticks_per_second();
