#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/app.h"
#include "audio/audio.h"
#include "resources/resources.h"
#include "synth/synth.h"
#include "tests/platform/test_display.h"
#include "timeline/timeline.h"
#include "tools/xm_writer.h"

static uint32_t zero_clock() {
    return 0;
}

// Serves `bytes` as the soundtrack resource "MUSIC"/"XMMOD"; no bytes, no resource.
static void serve_soundtrack(const std::vector<uint8_t>& bytes) {
    static std::vector<uint8_t> served;
    static EmbeddedResource table[1];
    served = bytes;
    table[0] = {"MUSIC", "XMMOD", served.data(), uint32_t(served.size())};
    resources_use(table, served.empty() ? 0 : 1);
}

class AppWindow : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(test_display_open());
        timeline_clock = zero_clock;
        timeline_music_start = [] { return true; };  // the pictures without the sound
        create();
    }
    void create() {
        std::memset(key_down, 0, sizeof key_down);
        main_window = window_create("KOLMIRAS Quadrise-Trackmo", 1024, 768, false, app_window_proc);
        ASSERT_NE(main_window, 0u);
    }
    void TearDown() override {
        window_destroy(main_window);
        message_loop_run();  // returns at once: takes the quit the destruction posted
        timeline_clock = timeline_music_clock;
        timeline_music_start = music_bring_up;
        music_free(demo_song);
        demo_song = nullptr;
    }
};

TEST_F(AppWindow, OnlyAKeyReleasedWhileEscapeIsHeldCloses) {
    // Keys as pairs: E for Escape or A, then + for down or - for up.
    const std::pair<std::string, bool> sequences[] = {
        {"E+E-", true}, {"E+E+", false}, {"E+A+A-", true}, {"A+A-", false}, {"A-", false}, {"E-", false},
    };
    for (const auto& [keys, closes] : sequences) {
        SCOPED_TRACE(keys);
        if (!window_alive(main_window)) {
            message_loop_run();
            create();
        }
        uintptr_t code = 0;
        for (size_t i = 0; i < keys.size(); i += 2) {
            code = keys[i] == 'E' ? VK_ESCAPE : 'A';
            window_send(main_window, keys[i + 1] == '+' ? WINDOW_KEY_DOWN : WINDOW_KEY_UP, code, 0);
        }
        EXPECT_EQ(window_alive(main_window), !closes);
        EXPECT_EQ(key_down[code], keys.back() == '+');  // held from its key down to its key up
    }
}

TEST_F(AppWindow, DestroyShowsTheCursorOnceAndPostsQuit) {
    const int hidden = cursor_show(false);
    window_send(main_window, WINDOW_CLOSE, 0, 0);
    EXPECT_FALSE(window_alive(main_window));
    EXPECT_EQ(cursor_show(false), hidden);  // without the quit TearDown's message loop hangs
    cursor_show(true);
}

TEST_F(AppWindow, TheLastStateClosesTheWindowFromInsideAFrameAndTheRestOfTheFrameIsHarmless) {
    timeline_state = 11;
    window_update(main_window);  // the swap after the step reaches a destroyed window
    EXPECT_FALSE(window_alive(main_window));
    window_update(main_window);
}

TEST_F(AppWindow, ScenesGetTheLitLookAtUnderAProjectionThatFollowsTheSize) {
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST) && glIsEnabled(GL_LIGHTING) && glIsEnabled(GL_LIGHT0));
    GLfloat light[4] = {}, projection[16] = {}, modelview[16] = {};
    glGetLightfv(GL_LIGHT0, GL_POSITION, light);  // (20, 20, 20) in eye space, seen from z = 5
    EXPECT_FLOAT_EQ(light[2], 15.0f);
    window_send(main_window, WINDOW_SIZE, 0, 800 | (600 << 16));
    GLint viewport[4] = {}, matrix_mode = 0;
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_TRUE(viewport[2] == 800 && viewport[3] == 600);
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    EXPECT_NEAR(projection[5] / projection[0], 800.0 / 600.0, 1e-5);  // f / (f / aspect)
    glGetIntegerv(GL_MATRIX_MODE, &matrix_mode);
    glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
    EXPECT_TRUE(matrix_mode == GL_MODELVIEW && modelview[14] == -5.0f);  // the look-at stays
    window_send(main_window, WINDOW_SIZE, 0, 1024);  // zero height: the last aspect stays
    GLfloat after[16] = {};
    glGetFloatv(GL_PROJECTION_MATRIX, after);
    EXPECT_EQ(std::memcmp(after, projection, sizeof after), 0);
}

TEST_F(AppWindow, FirstFrameShowsLoadingNearTheCentreThenTheScreenTurnsBlack) {
    timeline_state = -3;
    window_show(main_window);
    window_update(main_window);  // frame 1, as at start-up
    EXPECT_GT(white_pixels(0, 256, 1024, 256), 100);
    window_update(main_window);  // frame 2: path and music bring-up
    window_update(main_window);
    EXPECT_EQ(white_pixels(0, 0, 1024, 768), 0);
    EXPECT_EQ(timeline_state, -1);
}

TEST_F(AppWindow, BringUpPlaysALoadableSoundtrackAndFailsForAMissingOrMalformedOne) {
    XmModule soundtrack = xm_basic_module(4);
    soundtrack.instruments[0].samples[0] = xm_test_sample(16, 256);
    const std::vector<uint8_t> module = xm_write(soundtrack);
    const std::pair<std::vector<uint8_t>, bool> cases[] = {
        {{}, false}, {std::vector<uint8_t>(module.begin(), module.begin() + 300), false}, {module, true}};
    for (const auto& [bytes, loads] : cases) {
        SCOPED_TRACE(bytes.size());
        serve_soundtrack(bytes);
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

TEST_F(AppWindow, TheClockRunsFromTheFrameAfterTheBringUpAndClosingInAnyStateStopsTheMusic) {
    serve_soundtrack(xm_write(xm_basic_module(4)));
    timeline_clock = timeline_music_clock;
    timeline_music_start = music_bring_up;
    timeline_state = -3;
    window_update(main_window);  // "Loading..."
    window_update(main_window);  // the bring-up
    EXPECT_TRUE(timeline_state == -1 && music_clock_ms > 0);
    window_update(main_window);
    EXPECT_EQ(timeline_state, 0);
    for (int32_t state = -1; state <= 11; ++state) {
        SCOPED_TRACE(state);
        if (!window_alive(main_window)) {
            message_loop_run();
            create();
            ASSERT_TRUE(music_play(demo_song));
        }
        timeline_state = state;
        window_update(main_window);
        window_send(main_window, WINDOW_KEY_DOWN, VK_ESCAPE, 0);
        window_send(main_window, WINDOW_KEY_UP, VK_ESCAPE, 0);
        EXPECT_FALSE(window_alive(main_window));
        EXPECT_TRUE(playing_song == nullptr && music_time_ms(demo_song) == 0);
    }
}
