// Shared between the platform layer's own files; the program never includes this.
#pragma once

#include <SDL2/SDL.h>

#include "platform/platform.h"

// The full-screen mode display_mode_request accepted, or null while none is requested.
const SDL_DisplayMode* display_mode_requested();
// Takes the window out of full screen, which gives the desktop its own mode back.
void display_mode_leave();
// The window that exists now, or 0.
WindowHandle window_live();
// The window procedure's code for a key, 0 for keys it has no code for.
uint32_t virtual_key(SDL_Keycode key);
// Records the reason of a failure for platform_error() ("reason: detail", or the reason alone when
// detail is empty) and returns false.
bool platform_fail(const char* reason, const char* detail);
// Bracket a message box, so that an interrupt while it is up ends the box's process.
void interrupt_box_begin();
void interrupt_box_end();
