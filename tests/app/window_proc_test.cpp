#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cstring>
#include <string>
#include <vector>

#include "synth/synth.h"
#include "tests/app/demo_window.h"
#include "tests/support/modules.h"

TEST_F(DemoWindow, OnlyAKeyReleasedWhileEscapeIsHeldCloses) {
    // Keys as pairs: E for Escape or A, then + for down or - for up.
    const std::pair<std::string, int> sequences[] = {
        {"E+E-", 1}, {"E+E+", 0}, {"E+A+A-", 1}, {"A+A-", 0}, {"A-", 0}, {"E-", 0},
    };
    for (const auto& [keys, closes] : sequences) {
        SCOPED_TRACE(keys);
        std::fill(key_down, key_down + 256, false);
        close_requests = 0;
        uintptr_t code = 0;
        for (size_t i = 0; i < keys.size(); i += 2) {
            code = keys[i] == 'E' ? VK_ESCAPE : 'A';
            window_send(main_window, keys[i + 1] == '+' ? WINDOW_KEY_DOWN : WINDOW_KEY_UP, code, 0);
        }
        // A key is held from its key down to its key up.
        EXPECT_TRUE(close_requests == closes && key_down[code] == (keys.back() == '+'));
    }
}

// The light is placed under the look-at: the pictures hardly show where it is. The look-at and
// the projection at the window's size show in the scene pictures and the timeline's projected
// geometry; a zero height (a minimised window) keeps the last aspect.
TEST_F(DemoWindow, TheLightStandsInEyeSpaceAndAZeroHeightKeepsTheAspect) {
    GLfloat light[4] = {}, projection[16] = {}, after[16] = {};
    glGetLightfv(GL_LIGHT0, GL_POSITION, light);  // (20, 20, 20) in eye space, seen from z = 5
    EXPECT_FLOAT_EQ(light[2], 15.0f);
    window_send(main_window, WINDOW_SIZE, 0, 800 | (400 << 16));
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    window_send(main_window, WINDOW_SIZE, 0, 1024);
    glGetFloatv(GL_PROJECTION_MATRIX, after);
    EXPECT_EQ(std::memcmp(after, projection, sizeof after), 0);
}

// Frame 1 shows "Loading...", frame 2 builds the path and brings the music up, and the screen
// stays black until a frame has read a clock above 0.
TEST_F(DemoWindow, StartUpFramesShowLoadingThenBlackUntilTheClockMoves) {
    timeline_state = -3;
    window_update(main_window);
    const Region text = region(read_frame(), white);
    EXPECT_TRUE(text.count > 100 && text.top >= 256 && text.bottom < 512);
    window_update(main_window);
    EXPECT_TRUE(timeline_state == -1 && path_len == 4096);
    for (int frame = 0; frame < 10; ++frame) window_update(main_window);
    EXPECT_TRUE(timeline_state == -1 && region(read_frame(), lit).count == 0);
    EXPECT_EQ(demo_music_clock(), 0u);  // without a song the real clock stays 0 as well
    test_clock_ms = 1;
    window_update(main_window);  // this frame still sees the 0 read at the end of the last
    EXPECT_TRUE(timeline_state == -1 && music_clock_ms == 1);
    window_update(main_window);
    EXPECT_TRUE(timeline_state == 0 && close_requests == 0);
}

TEST_F(DemoWindow, BringUpPlaysALoadableSoundtrackAndFailsForAMissingOrMalformedOne) {
    XmModule soundtrack = xm_basic_module(4);
    soundtrack.instruments[0].samples[0] = xm_test_sample(16, 256);
    const std::vector<uint8_t> module = xm_write(soundtrack);
    const std::pair<std::vector<uint8_t>, bool> cases[] = {
        {{}, false}, {std::vector<uint8_t>(module.begin(), module.begin() + 300), false}, {module, true}};
    for (const auto& [bytes, loads] : cases) {
        SCOPED_TRACE(bytes.size());
        serve_resource("MUSIC", bytes.empty() ? "OTHER" : "XMMOD", bytes);  // no bytes: no soundtrack
        EXPECT_EQ(music_bring_up(), loads);
        EXPECT_EQ(demo_song != nullptr && music_time_ms(demo_song) > 0, loads);  // playing at once
    }
    // The sample holds the synthesizer's first instrument instead of the module's own data.
    std::vector<int16_t> instrument(256);
    synth_fill_sample(instrument.data(), 512, 16, 0, 0);
    const int16_t* loaded = demo_song->instruments[0].samples[0]->data;
    EXPECT_EQ(std::vector<int16_t>(loaded, loaded + 256), instrument);
    EXPECT_NE(instrument, std::vector<int16_t>(256));
}

// The last state closes from inside its frame, whose rest then reaches a destroyed window, and the
// destruction stops the music, shows the cursor once and posts the quit (without it TearDown's
// message loop would not return).
TEST_F(DemoWindow, TheClockRunsFromTheFrameAfterTheBringUpAndClosingStopsTheMusic) {
    serve_resource("MUSIC", "XMMOD", xm_write(xm_basic_module(4)));
    timeline_clock = demo_music_clock;
    timeline_music_start = music_bring_up;
    timeline_state = -3;
    window_update(main_window);  // "Loading..."
    window_update(main_window);  // the bring-up
    EXPECT_TRUE(timeline_state == -1 && music_clock_ms > 0);
    window_update(main_window);
    EXPECT_EQ(timeline_state, 0);
    closes_destroy = true;
    const int hidden = cursor_show(false);
    timeline_state = 11;
    window_update(main_window);
    window_update(main_window);
    EXPECT_TRUE(!window_alive(main_window) && playing_song == nullptr && music_time_ms(demo_song) == 0);
    EXPECT_EQ(cursor_show(false), hidden);
    cursor_show(true);
}
