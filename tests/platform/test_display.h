// Opens the platform layer on the X server that ctest's x_server fixture started for the tests
// (falling back to $DISPLAY when the binary runs by hand), once per test process.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/platform.h"

inline bool test_display_open() {
    static const bool opened = [] {
#ifdef QUADRISE_TEST_DISPLAY_FILE
        if (FILE* file = std::fopen(QUADRISE_TEST_DISPLAY_FILE, "r")) {
            char display[64] = "";
            if (std::fscanf(file, "%63s", display) == 1) setenv("DISPLAY", display, 1);
            std::fclose(file);
        }
#endif
        if (platform_open()) return true;
        std::fprintf(stderr, "no X display for the GL tests: %s\n", platform_error());
        return false;
    }();
    return opened;
}
