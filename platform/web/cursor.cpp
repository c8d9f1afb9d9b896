// The cursor's display counter: the pointer is hidden over the canvas while it is below 0.
#include <emscripten/emscripten.h>

#include "platform/web/internal.h"

static int cursor_counter = 0;

// clang-format off
EM_JS(void, page_cursor_visible, (int visible), {
    var canvas = document.getElementById("canvas");
    if (canvas) canvas.style.cursor = visible ? "" : "none";
});
// clang-format on

int cursor_show(bool show) {
    cursor_counter += show ? 1 : -1;
    page_cursor_visible(cursor_counter >= 0 ? 1 : 0);
    return cursor_counter;
}
