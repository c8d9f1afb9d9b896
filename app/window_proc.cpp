// The window procedure: GL set-up at creation, projection on size, one frame per paint, the
// Escape key, and the tear-down.
#include <GL/gl.h>
#include <GL/glu.h>

#include "app/app.h"
#include "audio/audio.h"
#include "timeline/timeline.h"

bool key_down[256] = {};

// Aspect of the last non-empty client area; a zero height (a minimised window) keeps it.
static double projection_aspect = 1.0;

static void on_size(intptr_t lparam) {
    int width = static_cast<int>(lparam & 0xFFFF);
    int height = static_cast<int>((lparam >> 16) & 0xFFFF);
    if (height != 0) projection_aspect = static_cast<double>(width) / static_cast<double>(height);
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(60.0, projection_aspect, 1.0, 1000.0);
    glMatrixMode(GL_MODELVIEW);
}

static void close_main_window() { window_send(main_window, WINDOW_CLOSE, 0, 0); }

static void on_destroy(WindowHandle window) {
    // The music stops first (with no song loaded this does nothing).
    music_stop(demo_song);
    if (fullscreen_mode) display_mode_restore();
    cursor_show(true);
    window_release_gl(window);
    post_quit();
}

static void on_key_up(WindowHandle window, uintptr_t key) {
    // Escape is tested before the released key's flag is cleared: releasing Escape itself, or
    // any key while Escape is held, closes the window.
    if (key_down[VK_ESCAPE]) window_send(window, WINDOW_CLOSE, 0, 0);
    key_down[key & 0xFF] = false;
}

intptr_t app_window_proc(WindowHandle window, WindowMessage message, uintptr_t wparam,
                         intptr_t lparam) {
    switch (message) {
    case WINDOW_CREATE:
        gl_init_state();
        gl_init_light();
        window_swap_buffers(window);
        timeline_clock = demo_music_clock;
        timeline_music_start = music_bring_up;
        timeline_close = close_main_window;
        return 0;
    case WINDOW_DESTROY: on_destroy(window); return 0;
    case WINDOW_SIZE: on_size(lparam); return 0;
    case WINDOW_PAINT:
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        timeline_step();
        window_swap_buffers(window);
        return 0;
    case WINDOW_KEY_DOWN: key_down[wparam & 0xFF] = true; return 0;
    case WINDOW_KEY_UP: on_key_up(window, wparam); return 0;
    default: return window_default(window, message, wparam, lparam);
    }
}
