// Shared by the tests that need a window: the platform layer opened once per test process on the
// X server of ctest's x_server fixture (or $DISPLAY when a binary runs by hand).
#pragma once

#include <cstdio>
#include <cstdlib>

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
