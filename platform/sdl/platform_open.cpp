// Start-up of the platform layer: the X display through SDL, or EGL off screen for drawing
// pictures without one.
#include <cstdlib>
#include <string>

#include "platform/platform.h"
#include "platform/sdl/internal.h"

static bool opened = false;

// Starts SDL's video on the named driver.
static bool video_open(const char* driver) {
    SDL_SetHint(SDL_HINT_VIDEODRIVER, driver);
    // SDL's own handlers would turn SIGINT and SIGTERM into a quit event that nothing reads while
    // a box is up or a tool renders; platform_end_on_interrupt handles them instead.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    return SDL_Init(SDL_INIT_VIDEO) == 0;
}

bool platform_open() {
    if (opened) return true;
    // Say plainly that no display is set, rather than relay the video driver's own wording.
    const char* display = std::getenv("DISPLAY");
    if (display == nullptr || display[0] == '\0') {
        return platform_fail("no X display (DISPLAY is not set)", "");
    }
    if (!video_open("x11")) return platform_fail("cannot open the X display", SDL_GetError());
    opened = true;
    return true;
}

bool platform_open_offscreen() {
    if (opened || platform_open()) return true;
    std::string no_x = platform_error();
    // SDL's offscreen driver draws into EGL pbuffers on the first EGL device that initializes,
    // with the GL context the window's attributes ask for (no profile: the compatibility one, as
    // on X). Loading its GL library is what reaches EGL, so that is tried here, where a failure
    // can still be said plainly; each window then loads it again with its own pixel format.
    if (!video_open("offscreen") || SDL_GL_LoadLibrary(nullptr) != 0) {
        std::string no_egl = SDL_GetError();
        SDL_Quit();
        return platform_fail((no_x + ", and no off-screen OpenGL through EGL").c_str(),
                             no_egl.c_str());
    }
    SDL_GL_UnloadLibrary();
    opened = true;
    return true;
}

void platform_close() {
    if (!opened) return;
    SDL_Quit();
    opened = false;
}
