// Shared by the tests that need a window: the platform layer opened once per test process on the
// X server of ctest's x_server fixture (or $DISPLAY when a binary runs by hand).
#pragma once

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "platform/platform.h"

inline bool test_display_open() {
    static const bool opened = [] {
        std::string display;  // the file holds "DISPLAY PID" while the fixture's server runs
        if (std::ifstream(QUADRISE_TEST_DISPLAY_FILE) >> display) setenv("DISPLAY", display.c_str(), 1);
        const bool ok = platform_open();
        if (!ok) std::fprintf(stderr, "no X display for the tests: %s\n", platform_error());
        return ok;
    }();
    return opened;
}
