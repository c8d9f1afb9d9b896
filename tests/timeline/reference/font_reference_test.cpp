// The glyph table against freeglut's own 9x15 font, which only this test binary links: every
// glyph, and the demo's texts at their raster positions, land on the same pixels either way.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <GL/glut.h>

#include "tests/app/demo_window.h"

class Font : public DemoWindow {
protected:
    void SetUp() override {
        DemoWindow::SetUp();
        static bool glut_ready = false;
        int argc = 1;
        char name[] = "font_reference_tests";
        char* argv[] = {name, nullptr};
        if (!glut_ready) glutInit(&argc, argv);
        glut_ready = true;
    }
    // The text drawn on the frame's base transform, by the demo's own text_draw or by freeglut.
    static Picture drawn(const char* text, const float* position, bool reference) {
        const float colour[4] = {1.0f, 1.0f, 1.0f, 1.0f};
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glPushMatrix();
        glTranslatef(-3.0f, -7.0f, -75.0f);
        if (reference) {
            glDisable(GL_LIGHTING);
            glColor4fv(colour);
            glRasterPos3fv(position);
            for (const char* c = text; *c != '\0'; ++c) glutBitmapCharacter(GLUT_BITMAP_9_BY_15, *c);
            glEnable(GL_LIGHTING);
        } else {
            text_draw(text, position, colour);
        }
        glPopMatrix();
        return read_frame();
    }
};

// Single glyphs at the titles' raster position, then whole lines (the advance between glyphs) at
// the titles' position and at a fractional one on the greetings' line.
TEST_F(Font, EveryGlyphAndTheDemosTextsLandOnFreeglutsPixels) {
    const float title[3] = {-15.0f, -15.0f, 0.0f}, greeting[3] = {-31.37f, -37.0f, 0.0f};
    for (char c = ' '; c <= '~'; ++c) {
        const char glyph[2] = {c, '\0'};
        const Picture ours = drawn(glyph, title, false);
        ASSERT_EQ(ours, drawn(glyph, title, true)) << "'" << c << "'";
        EXPECT_EQ(region(ours, white).count > 0, c != ' ') << "'" << c << "'";
    }
    const std::pair<const char*, const float*> lines[] = {
        {"a new trackmo", title},
        {"by KOLMIRAS", title},
        {"Wobblegate, Hexaplumbers, Kumquo, and all...", greeting},
        {"!\"#$%&'()*+,-./0123456789:;<=>?@ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]^_`", greeting},
        {"abcdefghijklmnopqrstuvwxyz{|}~", greeting},
    };
    for (const auto& [text, position] : lines) {
        const Picture ours = drawn(text, position, false);
        EXPECT_GT(region(ours, white).count, 20) << text;
        EXPECT_EQ(ours, drawn(text, position, true)) << text;
    }
}
