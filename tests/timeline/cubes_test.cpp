// The batch leaves out cubes that cannot show, and only those: small made-up scenes under an
// orthographic view of 8 pixels a unit (the origin on a pixel corner at the window's centre),
// drawn batched and one at a time, with the cubes the batch sent; the batch finds them alike in
// one strip of columns or in several side by side.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cstdlib>
#include <vector>

#include "tests/app/demo_window.h"

namespace {

constexpr float RED[3] = {1, 0, 0}, BLUE[3] = {0, 0, 1};
constexpr float PIXEL = 1.0f / 8.0f;  // in units

struct Cube {
    float x, y, z, degrees;  // degrees about y; 0 for none
    const float* colour;
};

struct Drawn {
    Picture picture;
    std::vector<uint32_t> depth;
    int32_t sent;
};

Drawn draw(const std::vector<Cube>& cubes, CubeDrawing drawing) {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-W / 16.0, W / 16.0, -H / 16.0, H / 16.0, 1.0, 100.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    cube_drawing = drawing;
    cubes_begin();
    for (const Cube& c : cubes) cube_add(c.x, c.y, c.z, c.degrees != 0, c.degrees, c.colour);
    cubes_end();
    cube_drawing = CUBES_BATCHED;
    Drawn drawn{read_frame(), std::vector<uint32_t>(size_t{W} * H), cubes_sent};
    glReadPixels(0, 0, W, H, GL_DEPTH_COMPONENT, GL_UNSIGNED_INT, drawn.depth.data());
    return drawn;
}

// Blue pixels in column x of the picture (x from the left, in pixels).
int blue_in_column(const Picture& picture, int x) {
    int count = 0;
    for (int y = 0; y < H; ++y) count += picture[3 * (size_t(y) * W + x) + 2] > 0;
    return count;
}

// A wall of four red cubes at z = -5 whose front faces meet at the origin, the left column moved
// right by `left` pixels and the right column by `right`.
std::vector<Cube> wall(float left, float right) {
    std::vector<Cube> cubes;
    for (float y : {-0.5f, 0.5f}) {
        cubes.push_back({-0.5f + left * PIXEL, y, -5, 0, RED});
        cubes.push_back({0.5f + right * PIXEL, y, -5, 0, RED});
    }
    return cubes;
}

std::vector<Cube> with(std::vector<Cube> cubes, const Cube& more) {
    cubes.push_back(more);
    return cubes;
}

class BatchedCubes : public DemoWindow {};

TEST_F(BatchedCubes, LeaveOutWhatOthersHideWholeAndDrawWhatShowsAPixel) {
    const struct {
        const char* scene;
        std::vector<Cube> cubes;
        int32_t sent;
        int blue_right_of_centre;  // blue pixels in column 512 (the first right of the centre) on the per-cube path
    } cases[] = {
        // A blue cube behind the meeting point of the four: none hides it alone.
        {"behind the wall", with(wall(0, 0), {0, 0, -10, 0, BLUE}), 4, 0},
        // The wall's columns pulled 1/4 and 5/4 pixels right leave the centre of column 512 open
        // (its left quarter covered); the blue cube's last column is that one.
        {"one-pixel gap", with(wall(0.25f, 1.25f), {-3 * PIXEL, 0, -10, 0, BLUE}), 5, 8},
        // Turned 45 degrees, the blue cube's front edge stands 0.11 in front of the wall.
        {"partly in front", with(wall(0, 0), {0, 0, -5.1f, 45, BLUE}), 5, 8},
        // Only a slab behind the near plane (z = -1) is left of the red cube, all of it turned away
        // or edge-on: the blue cube behind shows whole.
        {"crossing the near plane", {{0, 0, -0.6f, 0, RED}, {0, 0, -10, 0, BLUE}}, 2, 8},
        // A cube where an earlier one stands draws nothing, next to it or later.
        {"repeated", {{0, 0, -10, 0, RED}, {0, 0, -10, 0, BLUE}, {2, 0, -10, 0, RED}, {0, 0, -10, 0, BLUE}}, 2, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.scene);
        const Drawn one_at_a_time = draw(c.cubes, CUBES_IMMEDIATE);
        EXPECT_EQ(blue_in_column(one_at_a_time.picture, W / 2), c.blue_right_of_centre);
        for (int32_t strips : {1, 2, 3, 4}) {
            SCOPED_TRACE(strips);
            cube_culling_parts = strips;
            const Drawn batched = draw(c.cubes, CUBES_BATCHED);
            cube_culling_parts = 0;
            EXPECT_EQ(batched.sent, c.sent);
            int deeper = 0, off = 0;
            for (size_t i = 0; i < batched.depth.size(); ++i) deeper += batched.depth[i] != one_at_a_time.depth[i];
            for (size_t i = 0; i < batched.picture.size(); ++i) off += std::abs(batched.picture[i] - one_at_a_time.picture[i]) > 2;
            EXPECT_TRUE(deeper == 0 && off == 0) << deeper << " depths and " << off << " levels differ";
        }
    }
}

// Through the bands scenes, where thousands of cubes cross the strips' edges, the strips side by
// side send GL what one strip sends: the same cubes and triangles, to the same pixels and depths.
TEST_F(BatchedCubes, StripsSideBySideSendWhatOneStripSends) {
    const auto drawn = [](uint32_t ms, int32_t strips) {
        cube_culling_parts = strips;
        frame_render(ms);
        frame_settle(ms);
        cube_culling_parts = 0;
        Drawn d{read_frame(), std::vector<uint32_t>(size_t{W} * H), cubes_sent};
        glReadPixels(0, 0, W, H, GL_DEPTH_COMPONENT, GL_UNSIGNED_INT, d.depth.data());
        return std::pair{d, cube_triangles_sent};
    };
    for (uint32_t ms : {94500u, 98100u, 130500u, 137000u}) {
        SCOPED_TRACE(ms);
        const auto [one, one_triangles] = drawn(ms, 1);
        EXPECT_GT(one.sent, 1000);
        for (int32_t strips : {2, 3, 4}) {
            SCOPED_TRACE(strips);
            const auto [several, triangles] = drawn(ms, strips);
            EXPECT_EQ(several.sent, one.sent);
            EXPECT_EQ(triangles, one_triangles);
            EXPECT_TRUE(several.picture == one.picture);
            EXPECT_TRUE(several.depth == one.depth);
        }
    }
}

}  // namespace
