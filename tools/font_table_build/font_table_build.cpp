// font-table-build: writes the 9x15 glyph table of the text overlay (timeline/font_9x15.h) from
// what freeglut's GLUT_BITMAP_9_BY_15 font draws. Each character from space to '~' is drawn at a
// whole-pixel raster position on a hidden window and read back; the table holds the lit pixels in
// one box shared by all glyphs, placed relative to the raster position, and the raster advance.
// Not part of the default build: it is the one program that links GLUT.
// Usage: font-table-build OUT.h  (needs an X display)
#include <GL/gl.h>
#include <GL/glut.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "platform/platform.h"

constexpr int FIRST = 32, LAST = 126;
constexpr int ORIGIN = 32, AREA = 64;  // the raster position, inside a read-back square

static intptr_t plain_proc(WindowHandle window, WindowMessage message, uintptr_t wparam,
                           intptr_t lparam) {
    return window_default(window, message, wparam, lparam);
}

struct Capture {
    std::vector<uint8_t> lit[LAST + 1];  // AREA x AREA, bottom row first
    float advance[LAST + 1] = {};
    float rise[LAST + 1] = {};
};

static void capture(int c, Capture* out) {
    glClear(GL_COLOR_BUFFER_BIT);
    glRasterPos2i(ORIGIN, ORIGIN);
    glutBitmapCharacter(GLUT_BITMAP_9_BY_15, c);
    GLfloat after[4] = {};
    glGetFloatv(GL_CURRENT_RASTER_POSITION, after);
    out->advance[c] = after[0] - ORIGIN;
    out->rise[c] = after[1] - ORIGIN;
    std::vector<uint8_t> rgb(AREA * AREA * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, AREA, AREA, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    out->lit[c].resize(AREA * AREA);
    for (int i = 0; i < AREA * AREA; ++i) out->lit[c][i] = rgb[3 * i] > 127;
}

static const char NOTICE[] =
    "// The glyphs of the 9x15 bitmap font from space to '~', as freeglut's GLUT_BITMAP_9_BY_15 "
    "draws\n"
    "// them, written by tools/font_table_build/font_table_build.cpp. Every glyph is a FONT_WIDTH "
    "x\n"
    "// FONT_HEIGHT bitmap for glBitmap, rows bottom to top, FONT_ROW_BYTES a row, the leftmost "
    "pixel in\n"
    "// the top bit of the first byte, drawn FONT_X_ORIGIN, FONT_Y_ORIGIN pixels left of and below "
    "the\n"
    "// raster position, which then moves FONT_ADVANCE pixels right.\n"
    "//\n"
    "// The bitmap data comes from freeglut, under this notice:\n"
    "//\n"
    "// Copyright (C) 1999-2000 Pawel W. Olszta. All Rights Reserved.\n"
    "//\n"
    "// Permission is hereby granted, free of charge, to any person obtaining a copy of this "
    "software\n"
    "// and associated documentation files (the \"Software\"), to deal in the Software without\n"
    "// restriction, including without limitation the rights to use, copy, modify, merge, "
    "publish,\n"
    "// distribute, sublicense, and/or sell copies or substantial portions of the Software.\n"
    "//\n"
    "// The above copyright notice and this permission notice shall be included in all copies or\n"
    "// substantial portions of the Software.\n"
    "//\n"
    "// THE SOFTWARE IS PROVIDED \"AS IS\", WITHOUT WARRANTY OF ANY KIND, EXPRESS OR IMPLIED,\n"
    "// INCLUDING BUT NOT LIMITED TO THE WARRANTIES OF MERCHANTABILITY, FITNESS FOR A PARTICULAR\n"
    "// PURPOSE AND NONINFRINGEMENT. IN NO EVENT SHALL PAWEL W. OLSZTA BE LIABLE FOR ANY CLAIM,\n"
    "// DAMAGES OR OTHER LIABILITY, WHETHER IN AN ACTION OF CONTRACT, TORT OR OTHERWISE, ARISING\n"
    "// FROM, OUT OF OR IN CONNECTION WITH THE SOFTWARE OR THE USE OR OTHER DEALINGS IN THE\n"
    "// SOFTWARE.\n"
    "//\n"
    "// Except as contained in this notice, the name of Pawel W. Olszta shall not be used in\n"
    "// advertising or otherwise to promote the sale, use or other dealings in this Software\n"
    "// without prior written authorization from Pawel W. Olszta.\n";

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: font-table-build OUT.h\n");
        return 2;
    }
    if (!platform_open()) {
        std::fprintf(stderr, "font-table-build: %s\n", platform_error());
        return 1;
    }
    int glut_argc = 1;
    char name[] = "font-table-build";
    char* glut_argv[] = {name, nullptr};
    glutInit(&glut_argc, glut_argv);
    WindowHandle window = window_create("font-table-build", AREA, AREA, false, plain_proc);
    if (window == 0) {
        std::fprintf(stderr, "font-table-build: cannot create a window with an OpenGL context\n");
        return 1;
    }
    glViewport(0, 0, AREA, AREA);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, AREA, 0, AREA, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glClearColor(0, 0, 0, 0);
    glColor3f(1, 1, 1);

    static Capture glyphs;
    int left = AREA, right = -1, bottom = AREA, top = -1;
    for (int c = FIRST; c <= LAST; ++c) {
        capture(c, &glyphs);
        for (int i = 0; i < AREA * AREA; ++i) {
            if (!glyphs.lit[c][i]) continue;
            left = std::min(left, i % AREA), right = std::max(right, i % AREA);
            bottom = std::min(bottom, i / AREA), top = std::max(top, i / AREA);
        }
        if (glyphs.advance[c] != glyphs.advance[FIRST] || glyphs.rise[c] != 0.0f) {
            std::fprintf(stderr, "font-table-build: '%c' moves the raster position differently\n",
                         c);
            return 1;
        }
    }
    const int width = right - left + 1, height = top - bottom + 1;
    if (width > 16 || left < 1 || bottom < 1 || right >= AREA - 1 || top >= AREA - 1) {
        std::fprintf(stderr, "font-table-build: the glyphs do not fit the read-back area\n");
        return 1;
    }
    std::FILE* out = std::fopen(argv[1], "w");
    if (out == nullptr) {
        std::perror(argv[1]);
        return 1;
    }
    std::fprintf(out, "%s#pragma once\n\n#include <cstdint>\n\n", NOTICE);
    std::fprintf(out, "constexpr int32_t FONT_FIRST = %d, FONT_LAST = %d, FONT_GLYPHS = %d;\n",
                 FIRST, LAST, LAST - FIRST + 1);
    std::fprintf(out, "constexpr int32_t FONT_WIDTH = %d, FONT_HEIGHT = %d, FONT_ROW_BYTES = 2;\n",
                 width, height);
    std::fprintf(
        out,
        "constexpr float FONT_X_ORIGIN = %d.0f, FONT_Y_ORIGIN = %d.0f, FONT_ADVANCE = %g.0f;\n\n",
        ORIGIN - left, ORIGIN - bottom, glyphs.advance[FIRST]);
    std::fprintf(
        out, "constexpr uint8_t font_9x15_glyphs[FONT_GLYPHS][FONT_ROW_BYTES * FONT_HEIGHT] = {\n");
    for (int c = FIRST; c <= LAST; ++c) {
        std::fprintf(out, "    {");
        for (int row = bottom; row <= top; ++row) {
            uint32_t bits = 0;
            for (int x = left; x <= right; ++x)
                bits |= uint32_t{glyphs.lit[c][row * AREA + x]} << (15 - (x - left));
            std::fprintf(out, "%s0x%02X, 0x%02X", row == bottom ? "" : ", ", bits >> 8,
                         bits & 0xFF);
        }
        std::fprintf(out, "},  // '%c'\n", c);
    }
    std::fprintf(out, "};\n");
    std::fclose(out);
    window_destroy(window);
    platform_close();
    return 0;
}
