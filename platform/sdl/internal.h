// Shared between the platform layer's own files; the program never includes this.
#pragma once

#include <SDL2/SDL.h>

#include "platform/backend.h"

// The full-screen mode display_mode_request accepted, or null while none is requested.
const SDL_DisplayMode* display_mode_requested();
// Takes the window out of full screen, which gives the desktop its own mode back.
void display_mode_leave();
// The window procedure's code for a key, 0 for keys it has no code for.
uint32_t virtual_key(SDL_Keycode key);
// Bracket a message box, so that an interrupt while it is up ends the box's process.
void interrupt_box_begin();
void interrupt_box_end();
