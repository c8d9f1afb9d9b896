// The platform layer: the only code that talks to the operating system, through SDL2 on Linux
// (platform/sdl/), the Win32 services on Windows (platform/win32/) and the browser's canvas,
// WebGL and pages in the browser (platform/web/, where the sound is the audio worklet's); the
// window's handle and the failure line are shared by all three, the message loop and the silent
// device by the two desktop ones (platform/*.cpp). It offers the program the
// services it was designed around (message boxes, display mode, one GL window with a window
// procedure, cursor, wave-out audio) in the program's own terms.
#pragma once

#include <cstdint>

// ---- Start-up ------------------------------------------------------------------------------
// Connects to the X display.
// False when no display can be opened; platform_error() then says why. Call once, first.
bool platform_open();
// For programs that draw pictures to read back rather than show: connects to the X display when
// there is one, else off screen through EGL (Mesa's software renderer where there is no GPU), where
// window_create makes a window that is never shown, with the same kind of GL context. False when
// neither can be had; platform_error() then says why, in one line naming both. Call once, first.
bool platform_open_offscreen();
// Releases what platform_open or platform_open_offscreen acquired.
void platform_close();
// The reason of the last failure, as one line.
const char* platform_error();
// From now on SIGINT and SIGTERM end the program the ordinary way: a message box that is up is
// taken down and no other is shown, and the message loop closes the window. Without this call
// they keep their default action.
void platform_end_on_interrupt();
// True once SIGINT or SIGTERM has arrived after platform_end_on_interrupt.
bool platform_interrupted();

// ---- Message boxes -------------------------------------------------------------------------
// Usable before any window exists; the box has no owner. Return answers Yes/OK; Escape answers No
// where the system's box takes it (Windows' own Yes/No box ignores it).
enum MessageButtons { MESSAGE_OK, MESSAGE_YES_NO };
enum MessageIcon { ICON_QUESTION, ICON_EXCLAMATION, ICON_STOP };
enum MessageAnswer { ANSWER_NONE = 0, ANSWER_OK = 1, ANSWER_YES = 6, ANSWER_NO = 7 };

// Shows the box and waits for the answer; ANSWER_NONE when the box could not be shown or was
// dismissed without a button.
MessageAnswer message_box(const char* text, const char* caption, MessageButtons buttons,
                          MessageIcon icon);

// ---- Display mode --------------------------------------------------------------------------
// Requests the full-screen mode width x height at bits per pixel for the window created next.
// False when the display offers no such mode (the mode stays unchanged).
bool display_mode_request(int width, int height, int bits);
// Returns the display to the desktop's own mode.
void display_mode_restore();

// ---- Cursor --------------------------------------------------------------------------------
// A display counter as on the desktop the program was designed for: show adds one, hide takes
// one away, and the cursor is visible while the counter is 0 or more. Returns the new counter.
int cursor_show(bool show);

// ---- The window and its messages -----------------------------------------------------------
// One borderless window with an OpenGL context. Handles name a window; a handle whose window has
// been destroyed stays harmless: messages sent to it are dropped.
typedef uint32_t WindowHandle;

enum WindowMessage {
    WINDOW_CREATE,    // the GL context is current
    WINDOW_DESTROY,   // the window is going; its GL context is still current
    WINDOW_SIZE,      // lparam: client width in the low 16 bits, height in the high 16 bits
    WINDOW_PAINT,     // delivered whenever no other event waits: one frame
    WINDOW_KEY_DOWN,  // wparam: virtual-key code (VK_ESCAPE = 27, letters 'A'..'Z', ...)
    WINDOW_KEY_UP,    // wparam: virtual-key code
    WINDOW_CLOSE,     // default handling destroys the window at once, inside the call
};

// windows.h, which GL/gl.h brings in on Windows, defines the same code as a macro.
#undef VK_ESCAPE
constexpr uint32_t VK_ESCAPE = 27;

typedef intptr_t (*WindowProc)(WindowHandle window, WindowMessage message, uintptr_t wparam,
                               intptr_t lparam);

// Registers the class the program's window belongs to, where the system has window classes (it
// has none on X, where this only says yes). False when the system refuses; platform_error() then
// says why. Registered once; window_create registers it itself when nobody has.
bool window_register_class();
// Creates the window, off the screen until window_show, at (0, 0) with the given client size and
// title, on the requested full-screen mode when fullscreen is true. The GL context (RGBA 8/8/8,
// double buffer, the deepest depth buffer up to 32 bits, 8 stencil bits, accumulation bits where
// offered; a format the hardware draws before any the system draws in software) is made current
// and WINDOW_CREATE is sent before this returns. 0 when no window can be created.
WindowHandle window_create(const char* title, int width, int height, bool fullscreen,
                           WindowProc proc);
// Maps the window, which is when a full-screen window switches the display mode; sends
// WINDOW_SIZE with its client size. False when the switch to the requested mode failed: the
// window then stays off the screen, the display in the desktop's own mode, and once
// display_mode_restore has withdrawn the request, showing it again shows it windowed.
bool window_show(WindowHandle window);
// Sends one WINDOW_PAINT at once.
void window_update(WindowHandle window);
// Raises the window and gives it the keyboard focus.
void window_focus(WindowHandle window);
// Calls the window procedure now and returns its result; 0 for a destroyed window.
intptr_t window_send(WindowHandle window, WindowMessage message, uintptr_t wparam, intptr_t lparam);
// The default handling of a message: WINDOW_CLOSE destroys the window; the rest return 0.
intptr_t window_default(WindowHandle window, WindowMessage message, uintptr_t wparam,
                        intptr_t lparam);
// Takes the window off the screen, sends WINDOW_DESTROY, then removes the window and whatever of
// its GL context remains.
void window_destroy(WindowHandle window);
// True while the window exists.
bool window_alive(WindowHandle window);
// Shows the frame drawn in the back buffer. Does nothing for a destroyed window.
void window_swap_buffers(WindowHandle window);
// Detaches and deletes the window's GL context; later GL calls reach no context.
void window_release_gl(WindowHandle window);

// Delivers events to the window procedure, and WINDOW_PAINT whenever none waits, until
// post_quit is called.
void message_loop_run();
// Ends message_loop_run once the current message has been handled.
void post_quit();

// ---- Wave-out audio ------------------------------------------------------------------------
// One looping buffer of interleaved 16-bit stereo frames on the default output device. Needs no
// display. The device takes the buffer in chunks of at most 512 frames, so what it has taken is
// within about 12 ms of what is heard. Where no output device opens, a silent one stands in: it
// plays nothing but takes the buffer the same way, at the rate by the system's monotonic clock,
// so that whatever follows the position runs as if the sound were heard.

// Opens the default output device for 16-bit stereo at `rate` frames per second, or the silent
// device where none opens (wave_out_silent() then says so and platform_error() why); it stays
// silent until wave_out_write. False when a device is open already; platform_error() then says
// why.
bool wave_out_open(int32_t rate);
// True while the silent device stands in for an output device that did not open.
bool wave_out_silent();
// Plays `bytes` bytes (whole frames) from `frames` and loops over them forever. The position
// starts again at 0. The buffer must stay valid until wave_out_reset or wave_out_close.
void wave_out_write(const int16_t* frames, uint32_t bytes);
// Sets `bytes` to the bytes the device has taken since wave_out_write: a running count over all
// loops that wraps at 2^32 like the 32-bit counter of a native wave-out device. Read under the
// device's lock, so the buffer contents written before this call are ordered before the device's
// later reads of them. False, with `bytes` left as it was, when the device cannot say this time
// (a failed query) or none is open: the last good count is still the best there is, and a count
// made up for the failure would move whatever follows the position.
bool wave_out_position(uint32_t* bytes);
// Holds the device back from the buffer until wave_out_unlock, for writing a part of it that the
// device may be reading. On the silent device, which reads nothing, or without an open device,
// nothing happens.
void wave_out_lock();
void wave_out_unlock();
// Stops playback and hands the buffer back; the position returns to 0. Without an open device
// nothing happens.
void wave_out_reset();
// Resets and closes the device. Without an open device nothing happens.
void wave_out_close();

// ---- Threads -------------------------------------------------------------------------------
typedef struct PlatformThread* ThreadHandle;

// Starts proc on a new thread named `name` and asks for the highest priority the system grants:
// real-time scheduling at the top permitted level; a refusal leaves the normal priority. Null
// when no thread can be started.
ThreadHandle thread_start_time_critical(const char* name, int (*proc)());
// Waits for the thread to end and releases it.
void thread_join(ThreadHandle thread);
// Suspends the calling thread for at least `ms` milliseconds.
void thread_sleep_ms(uint32_t ms);
// How many processors the program may run on at once: at least 1, and 1 in the browser, which
// gives the page's module no threads.
int32_t thread_processors();
// Runs job(0) to job(count - 1) side by side, job 0 on the calling thread and each other on a
// thread of its own at the normal priority, and returns once all have ended. A job whose thread
// cannot be started (any, in the browser) runs on the calling thread after job 0.
void thread_run_side_by_side(void (*job)(int32_t part), int32_t count);
