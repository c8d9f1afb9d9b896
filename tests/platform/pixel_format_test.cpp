#include <gtest/gtest.h>

#include <vector>

#include "platform/win32/internal.h"

// A descriptor as a device lists it: double-buffered RGBA 8/8/8 drawing to a window with GL, the
// given depth, stencil and accumulation bits, from the driver or from the system's generic (software)
// implementation, which a driver may accelerate.
enum Source { DRIVER, GENERIC, GENERIC_ACCELERATED };
static PIXELFORMATDESCRIPTOR format(Source source, int depth, int stencil, int accum, DWORD buffers = PFD_DOUBLEBUFFER) {
    PIXELFORMATDESCRIPTOR f = {};
    f.nSize = sizeof f;
    f.nVersion = 1;
    f.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | buffers;
    if (source != DRIVER) f.dwFlags |= PFD_GENERIC_FORMAT;
    if (source == GENERIC_ACCELERATED) f.dwFlags |= PFD_GENERIC_ACCELERATED;
    f.iPixelType = PFD_TYPE_RGBA;
    f.cColorBits = 32;
    f.cRedBits = f.cGreenBits = f.cBlueBits = 8;
    f.cDepthBits = BYTE(depth);
    f.cStencilBits = BYTE(stencil);
    f.cAccumBits = BYTE(accum);
    return f;
}

// The system's software formats follow the driver's and offer more bits (32 depth, accumulation):
// the driver's 24 + 8 still wins, in either order; among accelerated formats the deeper depth
// buffer, then accumulation, wins; a generic format the driver accelerates counts as the driver's.
// With only software formats the best of them is taken; where nothing fits (no stencil, a single
// buffer, more depth bits than asked for, no formats at all) the choice is left to the caller: 0.
TEST(PixelFormat, AnAcceleratedFormatWinsOverADeeperSoftwareOneAndNoneThatFitsGivesZero) {
    const PIXELFORMATDESCRIPTOR driver = format(DRIVER, 24, 8, 0), software = format(GENERIC, 32, 8, 64);
    const struct { std::vector<PIXELFORMATDESCRIPTOR> formats; int chosen; } cases[] = {
        {{driver, software}, 1}, {{software, driver}, 2},
        {{driver, format(DRIVER, 24, 8, 64), format(DRIVER, 16, 8, 64), software}, 2},
        {{software, driver, format(GENERIC_ACCELERATED, 32, 8, 0)}, 3},
        {{format(GENERIC, 16, 8, 0), format(GENERIC, 32, 8, 64), format(GENERIC, 32, 8, 0)}, 2},
        {{format(DRIVER, 24, 0, 0), format(DRIVER, 24, 8, 0, 0), format(DRIVER, 48, 8, 0), format(GENERIC, 32, 0, 64)}, 0},
        {{}, 0},
    };
    for (const auto& c : cases) EXPECT_EQ(pixel_format_choose(c.formats.data(), int(c.formats.size())), c.chosen) << &c - cases;
}
