#include <gtest/gtest.h>

#include <GL/gl.h>
#include <SDL2/SDL.h>
#include <SDL2/SDL_syswm.h>
#include <X11/Xutil.h>

#include <cstring>

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
        std::memset(key_down, 0, sizeof key_down);
        fullscreen_mode = false;
        timeline_clock = zero_clock;
        main_window = window_create("KOLMIRAS Quadrise-Trackmo", 1024, 768, false, app_window_proc);
        ASSERT_NE(main_window, 0u);
    }
    void TearDown() override {
        if (window_alive(main_window)) {
            window_destroy(main_window);
            message_loop_run();  // takes the quit the destruction posted
        }
        timeline_clock = timeline_music_clock;
    }
    void key(WindowMessage message, uintptr_t code) { window_send(main_window, message, code, 0); }
    // White pixels in the middle third of the screen, as the X server shows the window.
    int white_pixels_near_centre() {
        SDL_Window* sdl_window = SDL_GL_GetCurrentWindow();
        SDL_SysWMinfo info;
        SDL_VERSION(&info.version);
        if (sdl_window == nullptr || !SDL_GetWindowWMInfo(sdl_window, &info)) return -1;
        XImage* image = XGetImage(info.info.x11.display, info.info.x11.window, 0, 256, 1024, 256,
                                  AllPlanes, ZPixmap);
        if (image == nullptr) return -1;
        int white = 0;
        for (int y = 0; y < 256; ++y) {
            for (int x = 0; x < 1024; ++x) white += (XGetPixel(image, x, y) & 0xFFFFFF) == 0xFFFFFF;
        }
        XDestroyImage(image);
        return white;
    }
};

TEST_F(AppWindow, ReleasingEscapeClosesTheWindow) {
    key(WINDOW_KEY_DOWN, VK_ESCAPE);
    EXPECT_TRUE(window_alive(main_window));
    key(WINDOW_KEY_UP, VK_ESCAPE);
    EXPECT_FALSE(window_alive(main_window));
    EXPECT_FALSE(key_down[VK_ESCAPE]);
}

TEST_F(AppWindow, PressingEscapeAloneDoesNotClose) {
    key(WINDOW_KEY_DOWN, VK_ESCAPE);
    key(WINDOW_KEY_DOWN, VK_ESCAPE);  // auto-repeat
    EXPECT_TRUE(window_alive(main_window));
    EXPECT_TRUE(key_down[VK_ESCAPE]);
}

TEST_F(AppWindow, ReleasingAnyKeyWhileEscapeIsHeldCloses) {
    key(WINDOW_KEY_DOWN, VK_ESCAPE);
    key(WINDOW_KEY_DOWN, 'A');
    key(WINDOW_KEY_UP, 'A');
    EXPECT_FALSE(window_alive(main_window));
}

TEST_F(AppWindow, OtherKeysOnlyTrackTheirFlags) {
    key(WINDOW_KEY_UP, 'Q');  // no key down before it
    EXPECT_TRUE(window_alive(main_window));
    EXPECT_FALSE(key_down['Q']);
    key(WINDOW_KEY_DOWN, 'Q');
    EXPECT_TRUE(key_down['Q']);
    key(WINDOW_KEY_UP, 'Q');
    EXPECT_FALSE(key_down['Q']);
    EXPECT_TRUE(window_alive(main_window));
}

TEST_F(AppWindow, DestroyShowsTheCursorOnceAndEndsTheMessageLoop) {
    int hidden = cursor_show(false);
    window_send(main_window, WINDOW_CLOSE, 0, 0);
    EXPECT_FALSE(window_alive(main_window));
    EXPECT_EQ(cursor_show(false), hidden + 1 - 1);  // shown once by the destruction
    cursor_show(true);
    cursor_show(true);
    message_loop_run();  // returns at once: the destruction posted quit
}

TEST_F(AppWindow, CreateSetsTheFixedStateTheLookAtAndLightZero) {
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    EXPECT_TRUE(glIsEnabled(GL_COLOR_MATERIAL));
    EXPECT_TRUE(glIsEnabled(GL_LIGHT0));
    GLfloat modelview[16] = {};
    glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
    EXPECT_FLOAT_EQ(modelview[14], -5.0f);  // eye at z = 5 looking at the origin
    GLfloat light[4] = {};
    glGetLightfv(GL_LIGHT0, GL_POSITION, light);  // stored in eye space
    EXPECT_FLOAT_EQ(light[0], 20.0f);
    EXPECT_FLOAT_EQ(light[2], 15.0f);
    EXPECT_FLOAT_EQ(light[3], 1.0f);
    GLfloat point_size = 0;
    glGetFloatv(GL_POINT_SIZE, &point_size);
    EXPECT_FLOAT_EQ(point_size, 5.0f);
}

TEST_F(AppWindow, SizeSetsViewportAndProjectionButKeepsTheLookAt) {
    window_send(main_window, WINDOW_SIZE, 0, 800 | (600 << 16));
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 800);
    EXPECT_EQ(viewport[3], 600);
    GLfloat projection[16] = {};
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    // gluPerspective: [0] = f / aspect, [5] = f with f = 1 / tan(30 degrees).
    EXPECT_NEAR(projection[5] / projection[0], 800.0 / 600.0, 1e-5);
    GLint matrix_mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &matrix_mode);
    EXPECT_EQ(matrix_mode, GL_MODELVIEW);
    GLfloat modelview[16] = {};
    glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
    EXPECT_FLOAT_EQ(modelview[14], -5.0f);
}

TEST_F(AppWindow, ZeroClientHeightKeepsThePreviousAspect) {
    window_send(main_window, WINDOW_SIZE, 0, 1024 | (768 << 16));
    GLfloat before[16] = {};
    glGetFloatv(GL_PROJECTION_MATRIX, before);
    window_send(main_window, WINDOW_SIZE, 0, 1024);
    GLfloat after[16] = {};
    glGetFloatv(GL_PROJECTION_MATRIX, after);
    for (int i = 0; i < 16; ++i) EXPECT_FLOAT_EQ(after[i], before[i]) << i;
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(AppWindow, FirstFrameShowsLoadingThenTheScreenTurnsBlack) {
    timeline_state = -3;
    path_len = 0;
    window_show(main_window);
    window_update(main_window);  // frame 1, as at start-up
    EXPECT_GT(white_pixels_near_centre(), 100);
    EXPECT_EQ(timeline_state, -2);
    window_update(main_window);  // frame 2: path and music bring-up
    EXPECT_EQ(timeline_state, -1);
    window_update(main_window);
    EXPECT_EQ(white_pixels_near_centre(), 0);
    EXPECT_EQ(timeline_state, -1);
}
