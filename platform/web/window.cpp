// The window as the page's canvas with a WebGL context: WebGL 2 where the browser has it, else
// WebGL 1 with 32-bit indices. The canvas is hidden until window_show and again when the window
// goes. The browser shows what was drawn when the frame's code returns, so swapping asks nothing.
#include <emscripten/emscripten.h>
#include <emscripten/html5.h>

#include "platform/web/gl/gl_layer.h"
#include "platform/web/internal.h"

static EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context = 0;
static int client_width = 0;
static int client_height = 0;

// clang-format off
EM_JS(void, page_canvas_visible, (int visible, const char* title), {
    var canvas = document.getElementById("canvas");
    canvas.style.visibility = visible ? "visible" : "hidden";
    if (title) document.title = UTF8ToString(title);
});
// clang-format on

// A context as the desktop asks for one, as far as WebGL has it: RGB with depth and stencil,
// no multisampling (GL draws the program's pictures aliased), the alpha of the canvas opaque.
static EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context_create(int major_version) {
    EmscriptenWebGLContextAttributes attributes;
    emscripten_webgl_init_context_attributes(&attributes);
    attributes.alpha = EM_FALSE;
    attributes.depth = EM_TRUE;
    attributes.stencil = EM_TRUE;
    attributes.antialias = EM_FALSE;
    attributes.premultipliedAlpha = EM_FALSE;
    attributes.majorVersion = major_version;
    attributes.minorVersion = 0;
    return emscripten_webgl_create_context(CANVAS_SELECTOR, &attributes);
}

static bool context_open() {
    bool webgl2 = true;
    context = context_create(2);
    if (context <= 0) {
        webgl2 = false;
        context = context_create(1);
    }
    if (context <= 0) {
        context = 0;
        return platform_fail("the browser gives this page no WebGL context", "");
    }
    emscripten_webgl_make_context_current(context);
    if (!webgl2 && !emscripten_webgl_enable_extension(context, "OES_element_index_uint")) {
        window_release_gl(0);
        return platform_fail("WebGL 1 without 32-bit indices (OES_element_index_uint)", "");
    }
    if (!gl_layer_open(webgl2)) {
        window_release_gl(0);
        return platform_fail("the GL layer cannot start", gl_layer_error());
    }
    return true;
}

WindowHandle window_create(const char* title, int width, int height, bool, WindowProc proc) {
    if (window_live() != 0) {
        platform_fail("the page has one window, which exists already", "");
        return 0;
    }
    page_canvas_visible(0, title);
    emscripten_set_canvas_element_size(CANVAS_SELECTOR, width, height);
    client_width = width;
    client_height = height;
    if (!context_open()) return 0;
    WindowHandle window = window_handle_open(proc);
    keys_listen();
    window_send(window, WINDOW_CREATE, 0, 0);
    return window;
}

// Full screen was asked for in the answer's click; whether the browser grants it shows only
// later, and either way the window is on the screen.
bool window_show(WindowHandle window) {
    if (!window_alive(window)) return false;
    page_canvas_visible(1, nullptr);
    window_send(window, WINDOW_SIZE, 0,
                static_cast<intptr_t>(client_width | (client_height << 16)));
    return true;
}

// clang-format off
EM_JS(void, page_canvas_focus, (), {
    var canvas = document.getElementById("canvas");
    canvas.tabIndex = 0;
    canvas.focus();
});
// clang-format on

void window_focus(WindowHandle window) {
    if (window_alive(window)) page_canvas_focus();
}

void window_swap_buffers(WindowHandle) {}

void window_release_gl(WindowHandle) {
    if (context == 0) return;
    gl_layer_close();
    emscripten_webgl_make_context_current(0);
    emscripten_webgl_destroy_context(context);
    context = 0;
}

void window_hide() { page_canvas_visible(0, nullptr); }

void window_free() { keys_stop(); }
