// The application shell: entry, the window procedure with its GL set-up, and the music bring-up.
#pragma once

#include <cstdint>

#include "platform/platform.h"
#include "player/player.h"

extern bool fullscreen_mode;      // true while the display runs the full-screen mode
extern WindowHandle main_window;  // the demo's window (0 when creation failed)
extern Song* demo_song;           // the playing soundtrack, null until loaded
extern bool key_down[256];        // by virtual-key code: held between key down and key up

// Asks for full screen, opens the window and runs the message loop until the window is gone.
// Returns the process exit code, 0 on every path.
int app_main();

// The demo's window procedure. At creation it sets up GL and hands the timeline the demo's
// clock, music_bring_up and the closing of main_window.
intptr_t app_window_proc(WindowHandle window, WindowMessage message, uintptr_t wparam,
                         intptr_t lparam);

// Fixed render state and light 0, set once when the GL context is made.
void gl_init_state();
void gl_init_light();

// Loads the soundtrack and starts it playing; false when the module cannot be loaded.
bool music_bring_up();
// The music heard now: music_time_ms of demo_song (0 while none is loaded or playing).
uint32_t demo_music_clock();
