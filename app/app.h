// The application shell: entry, the window procedure with its GL set-up, and the music bring-up.
#pragma once

#include <cstdint>

#include "platform/platform.h"
#include "player/player.h"

extern bool fullscreen_mode;     // true while the display runs the full-screen mode
extern WindowHandle main_window; // the demo's window (0 when creation failed)
extern Song* demo_song;          // the playing soundtrack, null until loaded
extern bool key_down[256];       // by virtual-key code: held between key down and key up

// Asks for full screen, opens the window and runs the message loop until the window is gone.
// Returns the process exit code, 0 on every path.
int app_main();

intptr_t app_window_proc(WindowHandle window, WindowMessage message, uintptr_t wparam,
                         intptr_t lparam);

// Fixed render state and light 0, set once when the GL context is made.
void gl_init_state();
void gl_init_light();

// Loads the soundtrack and starts it playing; false when the module cannot be loaded.
bool music_bring_up();
