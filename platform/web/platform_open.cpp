// Start-up and shut-down on a web page: the page's canvas stands for the display. A browser sends
// no signals; the show ends by its own rules or when the page goes.
#include <emscripten/emscripten.h>

#include "platform/web/internal.h"

// clang-format off
EM_JS(int, page_has_canvas, (), { return document.getElementById("canvas") !== null; });

// The page learns that the program has ended, whichever way (the show over, Escape, an error).
EM_JS(void, page_program_ended, (), {
    if (globalThis.quadrisePage) globalThis.quadrisePage.ended();
});
// clang-format on

bool platform_open() {
    if (!page_has_canvas()) return platform_fail("the page has no canvas with the id canvas", "");
    return true;
}

// The canvas is the only surface there is, drawn whether or not it is on the screen.
bool platform_open_offscreen() { return platform_open(); }

void platform_close() { page_program_ended(); }

void platform_end_on_interrupt() {}

bool platform_interrupted() { return false; }

// A page has no window classes.
bool window_register_class() { return true; }
