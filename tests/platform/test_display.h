// Shared by the tests that need a window: the platform layer opened once per test process on the
// X server of ctest's x_server fixture (or $DISPLAY when a binary runs by hand), and a pixel count.
#pragma once

#include <GL/gl.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/platform.h"

inline bool test_display_open() {
    static const bool opened = [] {
#ifdef QUADRISE_TEST_DISPLAY_FILE
        char display[64] = "";
        if (FILE* file = std::fopen(QUADRISE_TEST_DISPLAY_FILE, "r")) {
            if (std::fscanf(file, "%63s", display) == 1) setenv("DISPLAY", display, 1);
            std::fclose(file);
        }
#endif
        const bool ok = platform_open();
        if (!ok) std::fprintf(stderr, "no X display for the tests: %s\n", platform_error());
        return ok;
    }();
    return opened;
}

// White pixels in a rectangle of the frame last drawn (the back buffer keeps it after the swap).
inline int white_pixels(int x, int y, int width, int height) {
    std::vector<unsigned char> rgb(static_cast<size_t>(width) * height * 3);
    glReadBuffer(GL_BACK);
    glReadPixels(x, y, width, height, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    int white = 0;
    for (size_t i = 0; i < rgb.size(); i += 3) white += rgb[i] > 200 && rgb[i + 1] > 200 && rgb[i + 2] > 200;
    return white;
}
