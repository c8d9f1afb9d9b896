// The mouse cursor, hidden and shown through a display counter.
#include "platform/sdl/internal.h"

static int display_counter = 0;

int cursor_show(bool show) {
    display_counter += show ? 1 : -1;
    SDL_ShowCursor(display_counter >= 0 ? SDL_ENABLE : SDL_DISABLE);
    return display_counter;
}
