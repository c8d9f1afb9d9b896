// The demo's window procedure on a hidden 1024x768 window, the timeline on the test's clock and
// without the music, and the frame read back. Close requests are counted; the window survives
// them unless closes_destroy is set.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "app/app.h"
#include "tests/platform/test_display.h"
#include "timeline/timeline.h"
#include "tools/frame_render/frame_render.h"

constexpr int32_t W = FRAME_WIDTH, H = FRAME_HEIGHT;
typedef std::vector<uint8_t> Picture;  // RGB, top row first

inline uint32_t test_clock_ms = 0;
inline int close_requests = 0;
inline bool closes_destroy = false;

inline intptr_t test_window_proc(WindowHandle window, WindowMessage message, uintptr_t wparam, intptr_t lparam) {
    if (message == WINDOW_CLOSE) ++close_requests;
    if (message == WINDOW_CLOSE && !closes_destroy) return 0;
    return app_window_proc(window, message, wparam, lparam);
}

inline Picture read_frame() {
    Picture picture(size_t{W} * H * 3);
    frame_read(picture.data());
    return picture;
}
inline bool lit(const uint8_t* p) { return p[0] + p[1] + p[2] > 0; }
inline bool white(const uint8_t* p) { return p[0] > 200 && p[1] > 200 && p[2] > 200; }

// The pixels passing a test: their count and bounding box, from the top-left corner.
struct Region {
    int count = 0, left = W, top = H, right = -1, bottom = -1;
};
template <typename Test>
Region region(const Picture& picture, Test test) {
    Region r;
    for (int i = 0; i < W * H; ++i) {
        const int x = i % W, y = i / W;
        if (test(&picture[3 * size_t(i)])) r = {r.count + 1, std::min(r.left, x), std::min(r.top, y),
                                                std::max(r.right, x), std::max(r.bottom, y)};
    }
    return r;
}

class DemoWindow : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(test_display_open());
        std::fill(key_down, key_down + 256, false);
        path_len = 0;
        test_clock_ms = 0;
        close_requests = 0;
        closes_destroy = false;
        main_window = window_create("test window", W, H, false, test_window_proc);
        ASSERT_NE(main_window, 0u);
        timeline_clock = [] { return test_clock_ms; };
        timeline_music_start = [] { return true; };  // the pictures without the sound
        window_send(main_window, WINDOW_SIZE, 0, W | (H << 16));
    }
    void TearDown() override {
        window_destroy(main_window);
        message_loop_run();  // returns at once: takes the quit the destruction posted
        music_free(demo_song);
        demo_song = nullptr;
    }
};
