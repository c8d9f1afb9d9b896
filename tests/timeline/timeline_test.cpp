// The fractal path, and the timeline on the demo's window: its states against the clock, the text,
// and the scenes' pictures against geometry computed here (tests/e2e/render_frame.sh holds a
// reference picture of each scene).
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <utility>

#include "tests/app/demo_window.h"

// Where the demo's camera puts a point of the scenes: the look-at from z = 5, the frame's base
// translation (-3, -7, -75) and the 60-degree perspective of the 1024x768 window.
struct Spot {
    double x, y;
};
static Spot project(double x, double y, double z) {
    const double f = 1.0 / std::tan(M_PI / 6.0), distance = 80.0 - z;
    return {(1.0 + f * 0.75 * (x - 3.0) / distance) * W / 2, (1.0 - f * (y - 7.0) / distance) * H / 2};
}

class Timeline : public DemoWindow {
protected:
    // One frame in `state` after a frame that read the clock at t; every state leaves the matrix
    // stack as it found it.
    static int32_t state_after(int32_t state, uint32_t t) {
        GLint before = 0, after = 0;
        glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &before);
        timeline_state = state;
        music_clock_ms = test_clock_ms = t;
        timeline_step();
        glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &after);
        EXPECT_EQ(after, before) << state;
        return timeline_state;
    }
    // The first frame that reads ms, as the frame command draws it.
    static Picture first(uint32_t ms) {
        frame_render(ms);
        return read_frame();
    }
    // What the demo shows for the rest of that block step, once the one-frame states have passed.
    static Picture settled(uint32_t ms) {
        frame_render(ms);
        frame_settle(ms);
        return read_frame();
    }
    // The grey pixels from level low up: the text's, where no palette lights its three channels alike.
    static Region grey_from(const Picture& picture, int low) {
        return region(picture, [low](const uint8_t* p) { return p[0] >= low && p[0] == p[1] && p[1] == p[2]; });
    }
};

// Timed states stay at their last time and leave at the next, or at any later one (unsigned),
// without running the next state.
TEST_F(Timeline, EachStateLeavesExactlyAtItsThresholdWithoutRunningTheNext) {
    const std::pair<int32_t, uint32_t> last_stay[] = {
        {-1, 0}, {0, SHOW_TITLE_SCENE_END_MS}, {1, SHOW_TILTED_MS - 1}, {2, SHOW_BANDS_MS - 1}, {4, SHOW_TRAIL_MS - 1},
        {6, SHOW_FAR_BANDS_MS - 1}, {8, SHOW_SPINNING_MS - 1}, {10, SHOW_END_MS - 1}};
    for (const auto& [state, stays_at] : last_stay) {
        SCOPED_TRACE(state);
        EXPECT_EQ(state_after(state, stays_at), state);
        EXPECT_EQ(state_after(state, stays_at + 1), state + 1);
        EXPECT_EQ(state_after(state, 0xFFFFFFFFu), state + 1);
        EXPECT_FALSE(glIsEnabled(GL_FOG));  // fog states 3 and 7 wait for their own frame
    }
}

// The start-up and fog states last one frame (the fog shows in the pictures); the final state stays
// and sends close every frame, and states outside the table do nothing.
TEST_F(Timeline, OneFrameStatesPassTheFinalOneSendsCloseEveryFrameAndOthersDoNothing) {
    for (int32_t state : {-3, -2, 3, 5, 7, 9}) EXPECT_EQ(state_after(state, 0), state + 1);
    for (int frame = 0; frame < 5; ++frame) EXPECT_EQ(state_after(11, SHOW_END_MS), 11);
    for (int32_t state : {-4, 12}) EXPECT_EQ(state_after(state, 200000), state);
    EXPECT_EQ(close_requests, 5);
}

// Text is drawn unlit, which the white of the titles and the greetings shows, and leaves the current
// colour and the lighting as they were.
TEST_F(Timeline, TextLeavesColourAndLightingAsTheyWere) {
    const float position[3] = {-0.2f, 0.0f, 0.0f}, colour[4] = {1, 1, 1, 1};
    glColor4f(0.25f, 0.5f, 0.75f, 1.0f);
    text_draw("Loading...", position, colour);
    GLfloat current[4] = {};
    glGetFloatv(GL_CURRENT_COLOR, current);
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING) && current[0] == 0.25f && current[2] == 0.75f);
    glDisable(GL_LIGHTING);
    text_draw("x", position, colour);
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
}

TEST_F(Timeline, AStatesLastFrameIsTheClearedScreenAfterABlockStepOfItsScene) {
    for (uint32_t end : {SHOW_TILTED_MS, SHOW_BANDS_MS, SHOW_TRAIL_MS, SHOW_SPINNING_MS, SHOW_END_MS}) {
        SCOPED_TRACE(end);
        EXPECT_GT(region(first(end - 20), lit).count, 1000);
        EXPECT_EQ(region(first(end), lit).count, 0);
    }
    EXPECT_EQ(close_requests, 0);
    frame_render(SHOW_END_MS + 20);  // the window closed at the end
    EXPECT_GT(close_requests, 0);
}

// The batched cubes against the cubes drawn one at a time, in every drawn state (the title in
// each of its three parts), at the trail's first frame and through both bands scenes from their
// first frame to their last; 98100 and 130500 ms turn the cubes a whole number of quarter turns,
// where faces of neighbouring cubes lie almost in one plane. The lighting's rounding may move a
// level, no more; every depth is the same, so no cube that shows a pixel was left out.
TEST_F(Timeline, BatchedCubesDrawThePicturesOfCubesDrawnOneAtATime) {
    const auto depths = [] {
        std::vector<uint32_t> depth(size_t{W} * H);
        glReadPixels(0, 0, W, H, GL_DEPTH_COMPONENT, GL_UNSIGNED_INT, depth.data());
        return depth;
    };
    for (uint32_t ms : {9000u, 14500u, 30000u, 64000u, 82500u, 90020u, 94500u, 98100u, 98500u, 103000u, 106980u,
                        107020u, 114000u, 119020u, 125000u, 130500u, 137000u, 143480u, 150000u}) {
        SCOPED_TRACE(ms);
        cube_drawing = CUBES_IMMEDIATE;
        const Picture one_at_a_time = settled(ms);
        const std::vector<uint32_t> one_at_a_time_depth = depths();
        cube_drawing = CUBES_BATCHED;
        const Picture batched = settled(ms);
        const std::vector<uint32_t> batched_depth = depths();
        int64_t total = 0, off = 0, deeper = 0;
        for (size_t i = 0; i < batched_depth.size(); ++i) deeper += batched_depth[i] != one_at_a_time_depth[i];
        EXPECT_EQ(deeper, 0);
        for (size_t i = 0; i < batched.size(); ++i) {
            const int difference = std::abs(batched[i] - one_at_a_time[i]);
            total += difference;
            off += difference > 2;
        }
        EXPECT_GT(region(batched, lit).count, 500);
        EXPECT_LE(total, static_cast<int64_t>(batched.size()));  // at most one level on average
        EXPECT_LE(off * 200, static_cast<int64_t>(batched.size()));
    }
}

// Nothing shows before 5500 ms. Then "a new trackmo" fades at 2.4 - t / 5000 over palette A (no
// green), and "by KOLMIRAS" from 12000 ms at 2.4 - (t - 5500) / 5000 over palette B (no blue),
// opaque while that is above 1: 9 pixels a character from the projected raster position.
TEST_F(Timeline, TheTitlesAppearAt5500AndFadeOutOneAfterTheOtherOverTheirPalettes) {
    EXPECT_TRUE(region(first(SHOW_FIRST_TITLE_MS - 1), lit).count == 0 && grey_from(first(SHOW_FIRST_TITLE_MS), 255).count > 0);
    const struct { uint32_t ms; int characters, level, dark; } cases[] = {
        {7000, 13, 255, 1}, {10000, 13, 102, 1}, {11900, 13, 5, 1}, {12000, 11, 255, 2}, {15000, 11, 128, 2},
        {17300, 11, 10, 2}};
    for (const auto& c : cases) {
        const Picture picture = first(c.ms);
        const Region text = grey_from(picture, 1);
        EXPECT_TRUE(grey_from(picture, c.level - 1).count > 0 && grey_from(picture, c.level + 2).count == 0) << c.ms;
        EXPECT_NEAR(text.left, project(-15, -15, 0).x, 3.0) << c.ms;
        EXPECT_NEAR(text.bottom, project(-15, -15, 0).y, 4.0) << c.ms;  // the baseline, give or take a descender
        EXPECT_NEAR(text.right - text.left + 1, 9 * c.characters, 9) << c.ms;
        // Outside the text the cubes show, without the dark channel.
        const auto cubes = [&](uint8_t channel) {
            return region(picture, [&](const uint8_t* p) {
                const long i = (p - picture.data()) / 3, x = i % W, y = i / W;
                return p[channel] > 0 && (x < text.left || x > text.right || y < text.top || y > text.bottom);
            }).count;
        };
        EXPECT_TRUE(cubes(c.dark) == 0 && cubes(0) + cubes(3 - c.dark) > 1000) << c.ms;
    }
    // The opaque glyphs of each title, counted and by their summed columns: widths alone would
    // pass a wrong or swapped letter.
    for (const auto& [ms, pixels, columns] :
         {std::array{7000l, 216l, 91653l}, {12000l, 235l, 97222l}}) {
        const Picture picture = first(uint32_t(ms));
        long count = 0, sum = 0;
        for (size_t i = 0; i < picture.size(); i += 3)
            if (picture[i] == 255 && picture[i + 1] == 255 && picture[i + 2] == 255)
                ++count, sum += long(i / 3 % W);
        EXPECT_EQ((std::array{count, sum}), (std::array{pixels, columns})) << ms;
    }
}

TEST_F(Timeline, PaletteAHasNoGreenAndPaletteBNoBlue) {
    const std::pair<uint32_t, int> dark_channel[] = {
        {20000, 1}, {35000, 1}, {64000, 2}, {70000, 2}, {82500, 1}, {150000, 1}};
    for (const auto& [ms, dark] : dark_channel) {
        const Picture picture = first(ms);
        for (int channel = 0; channel < 3; ++channel) {
            const auto bright = [&](const uint8_t* p) { return p[channel] > (channel == dark ? 0 : 128); };
            EXPECT_EQ(region(picture, bright).count > 0, channel != dark) << ms << " ms, channel " << channel;
        }
    }
}

TEST_F(Timeline, TheTrailGrowsFromPointZeroAndPilesUpAtTheOriginPastThePath) {
    EXPECT_EQ(region(settled(107000), lit).count, 0);
    const Region cube = region(settled(107001), lit);
    EXPECT_NEAR((cube.left + cube.right) / 2.0, project(-30, -10, -2).x, 2.0);
    EXPECT_NEAR((cube.top + cube.bottom) / 2.0, project(-30, -10, -2).y, 2.0);
    EXPECT_LT(cube.right - cube.left, 14);  // one cube of edge 1, about 8 pixels at this distance
    const Spot origin = project(0, 0, -2);
    const size_t at_origin = (size_t(origin.y) * W + size_t(origin.x)) * 3;
    EXPECT_FALSE(lit(&settled(111096)[at_origin]));
    EXPECT_TRUE(lit(&settled(111097)[at_origin]));
    frame_draw(106980);  // a stale clock from before the trail: no cube, and no read past the path
    EXPECT_TRUE(region(read_frame(), lit).count == 0 && timeline_state == 6);
}

TEST_F(Timeline, GreetingsEnterAtTheRightAndTheLastPiecesFadeOutBy118700) {
    const Region line = region(settled(108000), white);
    EXPECT_NEAR(line.left, project(70.0 - 30.0, -37, 0).x, 3.0);
    EXPECT_NEAR(line.bottom, project(0, -37, 0).y, 4.0);
    for (const auto& [ms, level] : {std::pair{118200u, 255}, {118450u, 128}, {118700u, 0}}) {
        // The brightest of the text's pixels is at the level, give or take 1.
        const Picture picture = settled(ms);
        EXPECT_TRUE(grey_from(picture, level - 1).count > 0 && grey_from(picture, level + 2).count == 0) << ms;
    }
}

class Path : public ::testing::Test {
protected:
    void SetUp() override {
        std::fill(path_points, path_points + PATH_CAPACITY, 0.0f);
        path_len = 0;
    }
    static void build() { path_build(0, -30.0f, -10.0f, 50.0f, 0.0f, 0.0f); }
    static std::pair<float, float> point(int k) { return {path_points[2 * k], path_points[2 * k + 1]}; }
};

// Every single-precision step shows in the bits (and so in the curve's bounds, x from about
// -58.127 to 62.501, y from -24.830 to 47.059): FNV-1a over the 4096 floats, little-endian.
TEST_F(Path, DemoPathIs2048PointsInDepthFirstOrder) {
    build();
    ASSERT_EQ(path_len, 4096);
    EXPECT_EQ(std::count(path_points + path_len, path_points + PATH_CAPACITY, 0.0f), PATH_CAPACITY - 4096);
    // The backwards half starts at the far end and leads back to the bend.
    EXPECT_TRUE(point(0) == std::pair(-30.0f, -10.0f) && point(1024) == std::pair(50.0f, 0.0f));
    EXPECT_TRUE(point(1) == point(3) && point(1) != point(2));
    uint32_t hash = 2166136261u;
    for (int i = 0; i < 4096; ++i) {
        const uint32_t bits = std::bit_cast<uint32_t>(path_points[i]);
        for (int byte = 0; byte < 4; ++byte) hash = (hash ^ ((bits >> (8 * byte)) & 0xFF)) * 16777619u;
    }
    EXPECT_EQ(hash, 0xE17FA6CFu);
}

TEST_F(Path, SplitBendsTheMidpointByHalfTheLengthAlongAnglePlus90Degrees) {
    // (0,0)-(2,0) at angle 0 bends at (1,1); the backwards half leads from (2,0) back to it.
    path_build(9, 0.0f, 0.0f, 2.0f, 0.0f, 0.0f);
    const std::vector<float> expected = {0, 0, 1, 1, 2, 0, 1, 1};
    EXPECT_EQ(std::vector<float>(path_points, path_points + path_len), expected);
}

TEST_F(Path, FurtherBuildsAppendUntilTheArrayIsFullThenDropPoints) {
    for (int builds = 1; builds <= 9; ++builds) {
        build();
        EXPECT_EQ(path_len, std::min(builds * 4096, PATH_CAPACITY));
    }
    EXPECT_EQ(point(2048), point(0));  // the second build starts behind the first
}
