// The demo's pictures without the demo: its window procedure on a hidden window (on the X display,
// or off screen through EGL without one), and the timeline
// walked with the clock stepped as the demo's clock steps.
#include "tools/frame_render/frame_render.h"

#include <GL/gl.h>

#include <algorithm>

#include "app/app.h"
#include "timeline/timeline.h"

// The music clock is the stamp of the audio block being heard: 884 frames, about 20 ms.
constexpr uint32_t BLOCK_STEP_MS = 20;

static uint32_t walk_time = 0;
static bool show_ended = false;

static uint32_t walk_clock() { return walk_time; }

static bool no_music() { return true; }

static intptr_t frame_window_proc(WindowHandle window, WindowMessage message, uintptr_t wparam,
                                  intptr_t lparam) {
    // The demo closes its window when the show is over; here that only marks the end, and the
    // window stays for the next picture.
    if (message == WINDOW_CLOSE) {
        show_ended = true;
        return 0;
    }
    return app_window_proc(window, message, wparam, lparam);
}

static const char* open_failure = "";

bool frame_open() {
    if (!platform_open_offscreen()) {
        open_failure = platform_error();
        return false;
    }
    main_window =
        window_create("quadrise-render frame", FRAME_WIDTH, FRAME_HEIGHT, false, frame_window_proc);
    if (main_window == 0) {
        open_failure = "cannot create a 1024x768 window with an OpenGL context";
        return false;
    }
    window_send(main_window, WINDOW_SIZE, 0, FRAME_WIDTH | (FRAME_HEIGHT << 16));
    timeline_clock = walk_clock;
    timeline_music_start = no_music;
    return true;
}

const char* frame_error() { return open_failure; }

void frame_close() {
    window_destroy(main_window);
    main_window = 0;
}

void frame_draw(uint32_t ms) {
    walk_time = ms;
    music_clock_ms = ms;
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    timeline_step();
}

void frame_settle(uint32_t ms) {
    int32_t state = 0;
    do {
        state = timeline_state;
        frame_draw(ms);
    } while (timeline_state != state);
}

// The timeline, the path and the fog as the demo starts them.
static void walk_reset() {
    timeline_state = -3;
    music_clock_ms = 0;
    std::fill(path_points, path_points + PATH_CAPACITY, 0.0f);
    path_len = 0;
    glDisable(GL_FOG);
    show_ended = false;
}

void frame_start() {
    walk_reset();
    frame_settle(0);
}

// The demo's clock moves in block steps while frames come faster, so each clock value is drawn
// by as many frames as the state machine takes to settle (the one-frame states pass in between),
// and the picture at ms is the first frame that reads ms, one block step after the value before
// it: a threshold's first frame is its transition frame. Every state leaves at a fixed threshold
// of the clock, so settling once at ms - 20 reaches the same state and fog as settling at every
// block step before it; the walk does that, after the start-up frames at clock 0.
bool frame_render(uint32_t ms) {
    walk_reset();
    if (ms > 0) frame_settle(0);
    if (ms > BLOCK_STEP_MS) frame_settle(ms - BLOCK_STEP_MS);
    frame_draw(ms);
    return !show_ended;
}

void frame_read_rows(uint8_t* rgb) {
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, FRAME_WIDTH, FRAME_HEIGHT, GL_RGB, GL_UNSIGNED_BYTE, rgb);
}

void frame_read(uint8_t* rgb) {
    frame_read_rows(rgb);
    // GL counts rows from the bottom; pictures start at the top.
    constexpr size_t row_bytes = FRAME_WIDTH * 3;
    for (int32_t top = 0, bottom = FRAME_HEIGHT - 1; top < bottom; ++top, --bottom) {
        std::swap_ranges(rgb + top * row_bytes, rgb + (top + 1) * row_bytes,
                         rgb + bottom * row_bytes);
    }
}
