// The demo on a display that offers 1024x768 but refuses to switch to it: the full-screen request
// is accepted, and the switch fails only when the window appears. Linked with SDL's mode switch
// wrapped (-Wl,--wrap=SDL_SetWindowDisplayMode).
#include <SDL2/SDL.h>

#include "app/app.h"
#include "resources/resources.h"

QUADRISE_RESOURCE_TABLE(quadrise_resources);

extern "C" int __wrap_SDL_SetWindowDisplayMode(SDL_Window*, const SDL_DisplayMode*) {
    return SDL_SetError("the display refuses the mode");
}

int main() {
    resources_use(quadrise_resources_table, quadrise_resources_count);
    return app_main();
}
