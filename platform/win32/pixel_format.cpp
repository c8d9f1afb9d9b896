// The pixel format of the window's GL context, chosen among the formats a device describes.
#include "platform/win32/internal.h"

// How well a pixel format fits: RGBA 8/8/8 with a double buffer and 8 stencil bits is needed;
// among those the deepest depth buffer up to 32 bits wins, then accumulation bits. -1 for a
// format that does not fit.
static int format_score(const PIXELFORMATDESCRIPTOR& format) {
    const DWORD needed = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    if ((format.dwFlags & needed) != needed || format.iPixelType != PFD_TYPE_RGBA) return -1;
    if (format.cRedBits != 8 || format.cGreenBits != 8 || format.cBlueBits != 8) return -1;
    if (format.cStencilBits != 8 || format.cDepthBits > 32) return -1;
    return format.cDepthBits * 2 + (format.cAccumBits > 0 ? 1 : 0);
}

// The system's own generic formats draw in software (GL 1.1) unless a driver accelerates them.
// They come after the driver's and often offer more depth and accumulation bits, so the score
// alone would pick them.
static bool accelerated(const PIXELFORMATDESCRIPTOR& format) {
    return (format.dwFlags & PFD_GENERIC_FORMAT) == 0 ||
           (format.dwFlags & PFD_GENERIC_ACCELERATED) != 0;
}

int pixel_format_choose(const PIXELFORMATDESCRIPTOR* formats, int count) {
    // Any accelerated format ranks above every generic one (a score is at most 65); among
    // equals the score decides, and the first of equal ranks stays.
    const int accelerated_rank = 1000;
    int best = 0;
    int best_rank = -1;
    for (int i = 0; i < count; ++i) {
        int rank = format_score(formats[i]);
        if (rank < 0) continue;
        if (accelerated(formats[i])) rank += accelerated_rank;
        if (rank > best_rank) {
            best = i + 1;
            best_rank = rank;
        }
    }
    return best;
}
