// The occlusion picture the cube batch finds what cannot show with (timeline/cubes.cpp): kept on
// the CPU, the depth GL's depth buffer will at most hold at each pixel of the viewport once the
// solids recorded in it are drawn. Internal to the timeline.
#pragma once

#include <cstdint>

// Points are in window coordinates: x and y in pixels from the viewport's lower-left corner, z the
// normalised device depth GL tests (-1 near to 1 far).
struct WindowPoint {
    float x, y, z;
};
constexpr int32_t WINDOW_POLYGON_MOST = 8;
// A convex polygon of 3 to WINDOW_POLYGON_MOST corners.
struct WindowPolygon {
    int32_t count;
    WindowPoint corner[WINDOW_POLYGON_MOST];
};
// Starts an empty picture for a viewport of width x height pixels.
void occlusion_clear(int32_t width, int32_t height);
// Records a convex solid as drawn: its corners (3 to WINDOW_POLYGON_MOST, all in front of the
// eye) and the faces that may be turned towards the eye. Each pixel whose centre the solid surely
// covers holds at most the solid's depth there from now on.
void occlusion_draw_solid(const WindowPoint* corners, int32_t corner_count,
                          const WindowPolygon* faces, int32_t face_count);
// True when no part of the convex polygon (a face) can pass the depth test: every pixel whose
// centre it may cover holds a depth nearer than the polygon's there.
bool occlusion_hidden(const WindowPoint* corners, int32_t count);
