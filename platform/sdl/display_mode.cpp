// The full-screen display mode. The desktop switches mode only for a full-screen window, so a
// request is checked against the modes the display offers and applied when the window is made;
// leaving full screen (or destroying the window) gives the desktop its own mode back.
#include "platform/platform.h"
#include "platform/sdl/internal.h"

static SDL_DisplayMode requested_mode;
static bool mode_requested = false;

bool display_mode_request(int width, int height, int bits) {
    int count = SDL_GetNumDisplayModes(0);
    for (int i = 0; i < count; ++i) {
        SDL_DisplayMode mode;
        if (SDL_GetDisplayMode(0, i, &mode) != 0) continue;
        // A 32-bit desktop mode is 24 colour bits stored in 4 bytes per pixel.
        int stored_bits = static_cast<int>(SDL_BYTESPERPIXEL(mode.format)) * 8;
        if (mode.w != width || mode.h != height || stored_bits != bits) continue;
        requested_mode = mode;
        mode_requested = true;
        return true;
    }
    return false;
}

void display_mode_restore() {
    mode_requested = false;
    display_mode_leave();
}

const SDL_DisplayMode* display_mode_requested() {
    return mode_requested ? &requested_mode : nullptr;
}
