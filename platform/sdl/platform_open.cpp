// Start-up of the platform layer: the X display through SDL.
#include <cstdlib>

#include "platform/platform.h"
#include "platform/sdl/internal.h"

static bool opened = false;

bool platform_open() {
    if (opened) return true;
    // Say plainly that no display is set, rather than relay the video driver's own wording.
    const char* display = std::getenv("DISPLAY");
    if (display == nullptr || display[0] == '\0') {
        return platform_fail("no X display (DISPLAY is not set)", "");
    }
    SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11");
    // SDL's own handlers would turn SIGINT and SIGTERM into a quit event that nothing reads while
    // a box is up or a tool renders; platform_end_on_interrupt handles them instead.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_Init(SDL_INIT_VIDEO) != 0)
        return platform_fail("cannot open the X display", SDL_GetError());
    opened = true;
    return true;
}

void platform_close() {
    if (!opened) return;
    SDL_Quit();
    opened = false;
}
