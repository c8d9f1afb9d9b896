#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "app/app.h"
#include "tests/platform/test_display.h"
#include "timeline/timeline.h"

static uint32_t zero_clock() {
    return 0;
}

class AppWindow : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(test_display_open());
        timeline_clock = zero_clock;
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
