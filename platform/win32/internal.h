// Shared between the Win32 backend's own files; the program never includes this.
#pragma once

#include <windows.h>

#include "platform/backend.h"

// The system's wording of an error code, without its trailing line break.
const char* system_error_text(DWORD code);
// The window's Win32 handle (null while none exists).
HWND window_hwnd();
// The full-screen mode display_mode_request accepted, or null while none is requested.
const DEVMODEA* display_mode_requested();
// The pixel format for the window's GL context among `count` descriptors of a device, format i + 1
// described by formats[i]: RGBA 8/8/8 with a double buffer and 8 stencil bits is needed; a format
// the hardware draws wins over any the system draws in software, then the deepest depth buffer up
// to 32 bits, then accumulation bits. 0 when none fits.
int pixel_format_choose(const PIXELFORMATDESCRIPTOR* formats, int count);
// Switches the display to the requested mode; false when the display refuses it.
bool display_mode_apply();
// Bracket a message box, so that an interrupt while it is up takes the box down: `answer` is the
// button that dismisses it.
void interrupt_box_begin(int answer);
void interrupt_box_end();
// Tells a console close that waits for the ordinary end that the program has reached it.
void interrupt_program_ended();
