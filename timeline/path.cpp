// The fractal point path: a midpoint-displacement curve of depth 11 whose 2048 points place the
// cubes of every scene.
#include <cmath>

#include "timeline/timeline.h"

float path_points[PATH_CAPACITY] = {};
int32_t path_len = 0;

void path_build(int32_t depth, float x1, float y1, float x2, float y2, float angle) {
    for (int32_t level = depth + 1; level != 12; ++level) {
        float mx = (x1 + x2) * 0.5f;
        float my = (y1 + y2) * 0.5f;
        float dx = mx - x1;
        float dy = my - y1;
        float half_length = std::sqrt(dx * dx + dy * dy);
        double t = angle + 1.570796326794895;
        // The midpoint is pushed along angle + 90 degrees, whatever the segment's own direction.
        float bx = static_cast<float>(mx + std::cos(t) * half_length);
        float by = static_cast<float>(my + std::sin(t) * half_length);
        path_build(level, x1, y1, bx, by, static_cast<float>(angle + 0.7853981633974483));
        // The second half runs backwards, from the far end to the bent midpoint.
        angle = static_cast<float>(angle + 1.5707963267948966 + 0.7853981633974483);
        x1 = x2;
        y1 = y2;
        x2 = bx;
        y2 = by;
    }
    // A full path has no room for more points; they are dropped rather than written past it.
    if (path_len + 2 > PATH_CAPACITY) return;
    path_points[path_len] = x1;
    path_points[path_len + 1] = y1;
    path_len += 2;
}
