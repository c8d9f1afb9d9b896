// Linked into the demo: a display that offers 1024x768 but refuses to switch to it: the
// full-screen request is accepted, and the switch fails only once the window exists. Two builds of
// this file: quadrise-mode-refused, where SDL refuses the mode as the window is made
// (-Wl,--wrap=SDL_SetWindowDisplayMode), and quadrise-mode-refused-on-show
// (QUADRISE_REFUSED_ON_SHOW), where the display still runs a mode of its own once the window is
// shown (-Wl,--wrap=SDL_GetCurrentDisplayMode).
#include <SDL2/SDL.h>

#ifdef QUADRISE_REFUSED_ON_SHOW
extern "C" int __real_SDL_GetCurrentDisplayMode(int display, SDL_DisplayMode* mode);
extern "C" int __wrap_SDL_GetCurrentDisplayMode(int display, SDL_DisplayMode* mode) {
    const int result = __real_SDL_GetCurrentDisplayMode(display, mode);
    mode->w = 800;
    mode->h = 600;
    return result;
}
#else
extern "C" int __wrap_SDL_SetWindowDisplayMode(SDL_Window*, const SDL_DisplayMode*) {
    return SDL_SetError("the display refuses the mode");
}
#endif
