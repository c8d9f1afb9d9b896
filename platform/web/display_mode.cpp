// The full-screen mode as the browser's Fullscreen API: the canvas fills the screen, its
// 1024x768 pictures scaled to fit and kept at 4:3 (page.css). The request must come inside a
// user gesture, which it does: the program makes it right after the question's Yes, inside that
// click. The browser may still refuse later; the show then plays in the page, and says so.
#include <emscripten/emscripten.h>

#include "platform/web/internal.h"

// clang-format off
EM_JS(int, page_fullscreen_request, (), {
    var canvas = document.getElementById("canvas");
    if (!document.fullscreenEnabled || !canvas || !canvas.requestFullscreen) return 0;
    canvas.requestFullscreen().catch(function(reason) {
        globalThis.quadrisePage.say("Full screen was refused (" + reason.message +
                                    "): the show plays in the page.");
    });
    return 1;
});
// clang-format on

// clang-format off
EM_JS(void, page_fullscreen_exit, (), {
    if (document.fullscreenElement) document.exitFullscreen().catch(function() {});
});
// clang-format on

bool display_mode_request(int, int, int) {
    if (page_fullscreen_request()) return true;
    return platform_fail("the browser offers no full screen", "");
}

void display_mode_restore() { page_fullscreen_exit(); }
