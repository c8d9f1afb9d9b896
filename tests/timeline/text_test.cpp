#include <gtest/gtest.h>

#include <GL/gl.h>

#include <vector>

#include "app/app.h"
#include "tests/platform/test_display.h"
#include "timeline/timeline.h"

static intptr_t plain_proc(WindowHandle window, WindowMessage message, uintptr_t wparam,
                           intptr_t lparam) {
    return window_default(window, message, wparam, lparam);
}

class Text : public ::testing::Test {
protected:
    WindowHandle window = 0;
    void SetUp() override {
        ASSERT_TRUE(test_display_open());
        window = window_create("text test", 128, 32, false, plain_proc);
        ASSERT_NE(window, 0u);
        glViewport(0, 0, 128, 32);
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    void TearDown() override { window_destroy(window); }
    int lit_pixels() {
        std::vector<unsigned char> pixels(128 * 32 * 3);
        glReadBuffer(GL_BACK);
        glReadPixels(0, 0, 128, 32, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
        int lit = 0;
        for (size_t i = 0; i < pixels.size(); i += 3) lit += pixels[i] > 200 && pixels[i + 1] > 200;
        return lit;
    }
};

TEST_F(Text, DrawsUnlitWhiteCharactersAndRestoresColourAndLighting) {
    glEnable(GL_LIGHTING);  // lit with no light: anything lit would come out black
    glColor4f(0.25f, 0.5f, 0.75f, 1.0f);
    const float position[3] = {-0.9f, -0.3f, 0.0f};
    const float white[4] = {1, 1, 1, 1};
    text_draw("Loading...", position, white);
    EXPECT_GT(lit_pixels(), 50);
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    GLfloat colour[4] = {};
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_FLOAT_EQ(colour[0], 0.25f);
    EXPECT_FLOAT_EQ(colour[2], 0.75f);
    glDisable(GL_LIGHTING);
    text_draw("x", position, white);
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
}

TEST_F(Text, EmptyTextDrawsNothing) {
    const float position[3] = {0, 0, 0};
    const float white[4] = {1, 1, 1, 1};
    text_draw("", position, white);
    EXPECT_EQ(lit_pixels(), 0);
}

TEST_F(Text, TextOutsideTheViewIsNotDrawn) {
    const float position[3] = {2.0f, 0.0f, 0.0f};  // raster position outside the clip volume
    const float white[4] = {1, 1, 1, 1};
    text_draw("Loading...", position, white);
    EXPECT_EQ(lit_pixels(), 0);
}
