// What the page offers tests (page.js puts it on quadriseTest). The picture hook: with
// index.html?time=MS the page runs no show and no sound but draws the frame the show draws when
// its clock reads MS, walked there as the frame tool walks it, and hands the pixels over. And,
// read only, where a running show stands.
#include <emscripten/emscripten.h>

#include <cstdint>
#include <vector>

#include "timeline/timeline.h"
#include "tools/frame_render/frame_render.h"

static std::vector<uint8_t> picture;

// False when the canvas or its WebGL context cannot be had.
extern "C" EMSCRIPTEN_KEEPALIVE int picture_open() { return frame_open() ? 1 : 0; }

extern "C" EMSCRIPTEN_KEEPALIVE const char* picture_error() { return frame_error(); }

// Draws the frame at music time ms and reads it back into picture_pixels. 0 when the show has
// ended before that time (the frame is then the cleared screen, as the frame tool draws it).
extern "C" EMSCRIPTEN_KEEPALIVE int picture_draw(uint32_t ms) {
    bool shown = frame_render(ms);
    picture.resize(static_cast<size_t>(FRAME_WIDTH) * FRAME_HEIGHT * 3);
    frame_read(picture.data());
    return shown ? 1 : 0;
}

// The frame last drawn: FRAME_WIDTH x FRAME_HEIGHT RGB pixels, top row first.
extern "C" EMSCRIPTEN_KEEPALIVE const uint8_t* picture_pixels() { return picture.data(); }

// One more frame, the clock moved on to ms, without reading it back: what the frame bench times.
extern "C" EMSCRIPTEN_KEEPALIVE void picture_step(uint32_t ms) { frame_draw(ms); }

// The cubes the last batch sent to GL: none while they are drawn one at a time.
extern "C" EMSCRIPTEN_KEEPALIVE int32_t picture_cubes_sent() { return cubes_sent; }

// The timeline's state and the music clock it read last, for tests that follow a running show.
extern "C" EMSCRIPTEN_KEEPALIVE int32_t show_state() { return timeline_state; }
extern "C" EMSCRIPTEN_KEEPALIVE uint32_t show_clock() { return music_clock_ms; }
