// The occlusion picture the cube batch finds what cannot show with (timeline/cubes.cpp): kept on
// the CPU, the depth GL's depth buffer will at most hold at each pixel of the viewport once the
// solids recorded in it are drawn. Internal to the timeline.
#pragma once

#include <cstdint>
#include <vector>

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
// A picture holds the columns left to right - 1 of the viewport: the batch cuts the viewport
// into strips of columns and finds each strip's picture on a processor of its own. What a strip
// holds is exactly what a picture of the whole viewport holds there.
struct OcclusionPicture {
    int32_t width = 0, height = 0;  // the viewport's
    int32_t left = 0, right = 0;
    std::vector<float> depth;  // right - left a row, rows from the bottom
};
// Starts an empty picture of the columns left to right - 1 of a viewport of width x height
// pixels (clamped to the viewport).
void occlusion_clear(OcclusionPicture& picture, int32_t width, int32_t height, int32_t left,
                     int32_t right);
// Records a convex solid as drawn: its corners (3 to WINDOW_POLYGON_MOST, all in front of the
// eye) and the faces that may be turned towards the eye. Each pixel whose centre the solid surely
// covers holds at most the solid's depth there from now on.
void occlusion_draw_solid(OcclusionPicture& picture, const WindowPoint* corners,
                          int32_t corner_count, const WindowPolygon* faces, int32_t face_count);
// True when no part of the convex polygon (a face) within the picture's columns can pass the depth
// test: every pixel there whose centre it may cover holds a depth nearer than the polygon's.
bool occlusion_hidden(const OcclusionPicture& picture, const WindowPoint* corners, int32_t count);
