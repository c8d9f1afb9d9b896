// The page's events as window messages, and the message loop as the browser allows one. Key
// presses arrive from the browser between frames and wait in a queue; the loop delivers them,
// then paints one frame, then sleeps (through Asyncify) until the browser's next animation frame.
// A page in a background tab gets no animation frames: the loop then waits, and the show goes on
// where its clock stands when the tab comes back.
#include <emscripten/emscripten.h>
#include <emscripten/html5.h>

#include "platform/web/internal.h"

struct KeyEvent {
    WindowMessage message;
    uint32_t key;  // virtual-key code
};

// More presses than this between two frames are dropped, the newest first.
constexpr uint32_t QUEUE_SIZE = 64;
static KeyEvent queue[QUEUE_SIZE];
static uint32_t queue_first = 0;
static uint32_t queue_count = 0;
static bool quit_posted = false;

// The browser's key codes are the virtual-key codes of the system the program was written for
// (Escape 27, letters 'A'..'Z', digits '0'..'9').
static EM_BOOL on_key(int type, const EmscriptenKeyboardEvent* event, void*) {
    uint32_t key = static_cast<uint32_t>(event->keyCode);
    if (key == 0 || key > 0xFF || queue_count == QUEUE_SIZE) return EM_FALSE;
    WindowMessage message = type == EMSCRIPTEN_EVENT_KEYDOWN ? WINDOW_KEY_DOWN : WINDOW_KEY_UP;
    queue[(queue_first + queue_count) % QUEUE_SIZE] = {message, key};
    ++queue_count;
    return EM_FALSE;
}

void keys_listen() {
    queue_count = 0;
    emscripten_set_keydown_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_FALSE, on_key);
    emscripten_set_keyup_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_FALSE, on_key);
}

void keys_stop() {
    emscripten_set_keydown_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_FALSE, nullptr);
    emscripten_set_keyup_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_FALSE, nullptr);
    queue_count = 0;
}

static bool key_deliver_one() {
    if (queue_count == 0) return false;
    KeyEvent event = queue[queue_first];
    queue_first = (queue_first + 1) % QUEUE_SIZE;
    --queue_count;
    window_send(window_live(), event.message, event.key, 0);
    return true;
}

// clang-format off
EM_JS(void, page_next_frame, (), {
    Asyncify.handleSleep(function(wake_up) {
        requestAnimationFrame(function() { wake_up(); });
    });
});
// clang-format on

void post_quit() { quit_posted = true; }

void message_loop_run() {
    while (!quit_posted) {
        // The frame drawn before the loop (the first, "Loading...") reaches the screen before
        // the next one starts the long work of the music bring-up.
        page_next_frame();
        while (!quit_posted && key_deliver_one()) {}
        if (!quit_posted && window_live() != 0) window_send(window_live(), WINDOW_PAINT, 0, 0);
    }
    quit_posted = false;
}
