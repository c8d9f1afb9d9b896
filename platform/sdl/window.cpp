// The program's one window: borderless, at (0, 0), with an OpenGL context, and the procedure
// that receives its messages.
#include <initializer_list>

#include "platform/sdl/internal.h"

static SDL_Window* sdl_window = nullptr;
static SDL_GLContext gl_context = nullptr;
static bool mode_switch_failed = false;  // the requested full-screen mode could not be set

static void request_pixel_format(int depth_bits, bool with_accum) {
    SDL_GL_ResetAttributes();
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, depth_bits);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 8);
    int accum_bits = with_accum ? 16 : 0;
    SDL_GL_SetAttribute(SDL_GL_ACCUM_RED_SIZE, accum_bits);
    SDL_GL_SetAttribute(SDL_GL_ACCUM_GREEN_SIZE, accum_bits);
    SDL_GL_SetAttribute(SDL_GL_ACCUM_BLUE_SIZE, accum_bits);
    SDL_GL_SetAttribute(SDL_GL_ACCUM_ALPHA_SIZE, 0);
}

// Swaps wait for the display's refresh, so the frame pump runs at the display's rate instead of
// spinning a core: adaptive where the driver offers it (a late frame shows at once rather than a
// whole refresh later), else plain. A driver with neither keeps unsynchronised swaps.
static void sync_swaps_to_display() {
    if (SDL_GL_SetSwapInterval(-1) != 0) SDL_GL_SetSwapInterval(1);
}

// X picks the pixel format together with the window, so the window is made once per candidate
// format, deepest depth buffer first; the last resort is whatever format the display offers.
static SDL_Window* make_window(const char* title, int width, int height, Uint32 flags) {
    static const int depth_candidates[] = {32, 24, 16};
    for (int depth_bits : depth_candidates) {
        for (bool with_accum : {true, false}) {
            request_pixel_format(depth_bits, with_accum);
            SDL_Window* window = SDL_CreateWindow(title, 0, 0, width, height, flags);
            if (window != nullptr) return window;
        }
    }
    SDL_GL_ResetAttributes();
    return SDL_CreateWindow(title, 0, 0, width, height, flags);
}

bool window_register_class() { return true; }

WindowHandle window_create(const char* title, int width, int height, bool fullscreen,
                           WindowProc proc) {
    if (window_live() != 0 || proc == nullptr) return 0;
    const SDL_DisplayMode* mode = display_mode_requested();
    bool full_screen = fullscreen && mode != nullptr;
    Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_BORDERLESS | SDL_WINDOW_HIDDEN;
    if (full_screen) flags |= SDL_WINDOW_FULLSCREEN;
    sdl_window = make_window(title, width, height, flags);
    if (sdl_window == nullptr) return 0;
    mode_switch_failed = full_screen && SDL_SetWindowDisplayMode(sdl_window, mode) != 0;
    // As on the desktop the program was written for, a context that cannot be made is not an
    // error: the window stays and GL calls reach no context.
    gl_context = SDL_GL_CreateContext(sdl_window);
    if (gl_context != nullptr) {
        SDL_GL_MakeCurrent(sdl_window, gl_context);
        sync_swaps_to_display();
    }
    WindowHandle handle = window_handle_open(proc);
    window_send(handle, WINDOW_CREATE, 0, 0);
    return handle;
}

// After a full-screen window is shown the display should run the requested mode.
static bool requested_mode_on_display() {
    const SDL_DisplayMode* requested = display_mode_requested();
    if ((SDL_GetWindowFlags(sdl_window) & SDL_WINDOW_FULLSCREEN) == 0 || requested == nullptr)
        return true;
    SDL_DisplayMode current;
    int display = SDL_GetWindowDisplayIndex(sdl_window);
    if (mode_switch_failed || display < 0 || SDL_GetCurrentDisplayMode(display, &current) != 0)
        return false;
    return current.w == requested->w && current.h == requested->h;
}

// Until the display runs the requested mode, a full-screen window stays off the screen: not shown
// at all when the mode was refused at creation, hidden again (which gives the desktop its own mode
// back) when the display does not run it once the window is shown.
bool window_show(WindowHandle window) {
    if (!window_alive(window)) return false;
    bool full_screen = (SDL_GetWindowFlags(sdl_window) & SDL_WINDOW_FULLSCREEN) != 0;
    if (full_screen && mode_switch_failed) return false;
    SDL_ShowWindow(sdl_window);
    if (!requested_mode_on_display()) {
        SDL_HideWindow(sdl_window);
        return false;
    }
    int width = 0;
    int height = 0;
    SDL_GL_GetDrawableSize(sdl_window, &width, &height);
    intptr_t client_size = (width & 0xFFFF) | ((height & 0xFFFF) << 16);
    window_send(window, WINDOW_SIZE, 0, client_size);
    return true;
}

void window_focus(WindowHandle window) {
    if (!window_alive(window)) return;
    SDL_RaiseWindow(sdl_window);
    SDL_SetWindowInputFocus(sdl_window);
}

void window_hide() { SDL_HideWindow(sdl_window); }

void window_free() {
    SDL_DestroyWindow(sdl_window);
    sdl_window = nullptr;
}

void window_swap_buffers(WindowHandle window) {
    if (!window_alive(window) || gl_context == nullptr) return;
    SDL_GL_SwapWindow(sdl_window);
}

void window_release_gl(WindowHandle window) {
    if (!window_alive(window) || gl_context == nullptr) return;
    SDL_GL_MakeCurrent(sdl_window, nullptr);
    SDL_GL_DeleteContext(gl_context);
    gl_context = nullptr;
}

void display_mode_leave() {
    if (sdl_window == nullptr) return;
    if ((SDL_GetWindowFlags(sdl_window) & SDL_WINDOW_FULLSCREEN) == 0) return;
    SDL_SetWindowFullscreen(sdl_window, 0);
}
