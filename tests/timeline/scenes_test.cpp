#include <gtest/gtest.h>

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/platform/test_display.h"
#include "timeline/timeline.h"
#include "tools/frame_render.h"
#include "tools/png_file.h"

constexpr int32_t W = FRAME_WIDTH, H = FRAME_HEIGHT;
typedef std::vector<uint8_t> Picture;  // RGB, top row first

static const uint8_t* pixel(const Picture& picture, double x, double y) {
    return &picture[(static_cast<size_t>(y) * W + static_cast<size_t>(x)) * 3];
}
static bool lit(const uint8_t* p) { return p[0] + p[1] + p[2] > 0; }
static bool white(const uint8_t* p) { return p[0] > 200 && p[1] > 200 && p[2] > 200; }

// The pixels passing a test: their count and bounding box, from the top-left corner.
struct Region {
    int count = 0, left = W, top = H, right = -1, bottom = -1;
};
template <typename Test>
static Region region(const Picture& picture, Test test) {
    Region r;
    for (int y = 0; y < H; ++y) {
        for (int x = 0; x < W; ++x) {
            if (!test(pixel(picture, x, y))) continue;
            ++r.count;
            r.left = std::min(r.left, x);
            r.right = std::max(r.right, x);
            r.top = std::min(r.top, y);
            r.bottom = std::max(r.bottom, y);
        }
    }
    return r;
}

// Where the demo's camera puts a point of the scenes: the look-at from z = 5, the frame's base
// translation (-3, -7, -75) and the 60-degree perspective of the 1024x768 window.
struct Spot {
    double x, y;
};
static Spot project(double x, double y, double z) {
    const double f = 1.0 / std::tan(M_PI / 6.0), distance = 80.0 - z;
    return {(1.0 + f * 0.75 * (x - 3.0) / distance) * W / 2, (1.0 - f * (y - 7.0) / distance) * H / 2};
}

class Scenes : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(test_display_open());
        const char* why = frame_open();
        ASSERT_EQ(why, nullptr) << why;
    }
    void TearDown() override { frame_close(); }
    static Picture read() {
        Picture picture(size_t{W} * H * 3);
        frame_read(picture.data());
        return picture;
    }
    // The first frame that reads ms, as the frame command draws it.
    static Picture first(uint32_t ms) {
        EXPECT_TRUE(frame_render(ms));
        return read();
    }
    // What the demo shows for the rest of that block step, once the one-frame states have passed.
    static Picture settled(uint32_t ms) {
        EXPECT_TRUE(frame_render(ms));
        frame_settle(ms);
        return read();
    }
};

TEST_F(Scenes, AStatesLastFrameIsTheClearedScreenAfterABlockStepOfItsScene) {
    for (uint32_t end : {75000u, 90000u, 107000u, 143500u, 157000u}) {
        SCOPED_TRACE(end);
        EXPECT_GT(region(first(end - 20), lit).count, 1000);
        EXPECT_EQ(region(first(end), lit).count, 0);
    }
    EXPECT_FALSE(frame_render(157020));  // the window closed at 157000
}

TEST_F(Scenes, SettlingOnceABlockStepBackDrawsWhatWalkingEveryBlockStepDraws) {
    for (uint32_t ms : {45020u, 90020u, 107020u, 119020u, 143520u}) {
        SCOPED_TRACE(ms);
        frame_render(ms - 100);
        for (uint32_t t = ms - 100; t < ms; t += 20) frame_settle(t);
        frame_draw(ms);
        const int32_t walked_state = timeline_state;
        const bool walked_fog = glIsEnabled(GL_FOG);
        const Picture walked = read();
        EXPECT_TRUE(first(ms) == walked);
        EXPECT_TRUE(timeline_state == walked_state && glIsEnabled(GL_FOG) == walked_fog);
    }
}

TEST_F(Scenes, TheFirstTitleAppearsAt5500WithItsTextAtTheProjectedRasterPosition) {
    EXPECT_EQ(region(first(5499), lit).count, 0);
    const Region text = region(first(5500), white);
    EXPECT_NEAR(text.left, project(-15, -15, 0).x, 3.0);
    EXPECT_NEAR(text.bottom, project(-15, -15, 0).y, 4.0);  // the baseline, give or take a descender
}

TEST_F(Scenes, PaletteAHasNoGreenAndPaletteBNoBlue) {
    const std::pair<uint32_t, int> dark_channel[] = {{20000, 1}, {35000, 1}, {64000, 2}, {70000, 2}, {82500, 1}, {150000, 1}};
    for (const auto& [ms, dark] : dark_channel) {
        const Picture picture = first(ms);
        for (int channel = 0; channel < 3; ++channel) {
            int brightest = 0;
            for (size_t i = channel; i < picture.size(); i += 3) brightest = std::max<int>(brightest, picture[i]);
            if (channel == dark) {
                EXPECT_EQ(brightest, 0) << ms;
            } else {
                EXPECT_GT(brightest, 128) << ms << " ms, channel " << channel;
            }
        }
    }
}

TEST_F(Scenes, BandCubesFadeTowardTheFogColourWithTheirDistance) {
    const Picture fogged = first(98500);
    std::vector<float> depth(size_t{W} * H);
    glReadPixels(0, 0, W, H, GL_DEPTH_COMPONENT, GL_FLOAT, depth.data());
    glDisable(GL_FOG);
    frame_draw(98500);
    const Picture clear = read();
    int checked = 0, far = 0;
    for (size_t i = 0; i < clear.size(); ++i) {
        const size_t x = i / 3 % W, y = H - 1 - i / 3 / W;  // depth rows start at the bottom
        const double distance = 2000.0 / (1001.0 - (2.0 * depth[y * W + x] - 1.0) * 999.0);  // near 1, far 1000
        if (clear[i] < 32) continue;
        const double kept = std::exp(-0.03 * distance);
        ASSERT_NEAR(fogged[i], kept * clear[i] + (1.0 - kept) * 0.01 * 255.0, 2.0 + 0.03 * clear[i]) << distance;
        ++checked;
        far += distance > 100.0;
    }
    EXPECT_TRUE(checked > 100000 && far > 1000) << checked << " values, " << far << " far";
}

TEST_F(Scenes, TheTrailGrowsFromPointZeroAndPilesUpAtTheOriginPastThePath) {
    EXPECT_EQ(region(settled(107000), lit).count, 0);
    const Region cube = region(settled(107001), lit);
    EXPECT_NEAR((cube.left + cube.right) / 2.0, project(-30, -10, -2).x, 2.0);
    EXPECT_NEAR((cube.top + cube.bottom) / 2.0, project(-30, -10, -2).y, 2.0);
    EXPECT_LT(cube.right - cube.left, 14);  // one cube of edge 1, about 8 pixels at this distance
    const Spot origin = project(0, 0, -2);
    EXPECT_FALSE(lit(pixel(settled(111096), origin.x, origin.y)));
    EXPECT_TRUE(lit(pixel(settled(111097), origin.x, origin.y)));
    frame_draw(106980);  // a stale clock from before the trail: no cube, and no read past the path
    EXPECT_EQ(region(read(), lit).count, 0);
    EXPECT_EQ(timeline_state, 6);
}

TEST_F(Scenes, GreetingsEnterAtTheRightAndTheLastPiecesFadeOutBy118700) {
    const Region line = region(settled(108000), white);
    EXPECT_NEAR(line.left, project(70.0 - 30.0, -37, 0).x, 3.0);
    EXPECT_NEAR(line.bottom, project(0, -37, 0).y, 4.0);
    for (const auto& [ms, level] : {std::pair{118200u, 255}, {118450u, 128}, {118700u, 0}}) {
        const Picture picture = settled(ms);
        int brightest = 0;  // of the grey (text) pixels: the cubes have no green
        for (size_t i = 0; i < picture.size(); i += 3) {
            if (picture[i] == picture[i + 1] && picture[i] == picture[i + 2]) brightest = std::max<int>(brightest, picture[i]);
        }
        EXPECT_NEAR(brightest, level, 1) << ms;
    }
}

// The frame in the middle of each scene against its reference, both averaged over 4x4 blocks.
// A mismatch writes the new picture and the difference (4x brighter) into the working directory;
// to accept an intended change, copy the new picture over the reference.
class ScenePicture : public Scenes, public ::testing::WithParamInterface<std::pair<const char*, uint32_t>> {};

TEST_P(ScenePicture, MatchesItsReference) {
    constexpr int32_t SW = W / 4, SH = H / 4;
    const auto [name, ms] = GetParam();
    const Picture full = first(ms);
    Picture actual(size_t{SW} * SH * 3), reference, difference(actual.size());
    for (size_t i = 0; i < actual.size(); ++i) {
        const size_t x = i / 3 % SW * 4, y = i / 3 / SW * 4;
        int sum = 0;
        for (size_t k = 0; k < 16; ++k) sum += full[((y + k / 4) * W + x + k % 4) * 3 + i % 3];
        actual[i] = static_cast<uint8_t>((sum + 8) / 16);
    }
    const auto path = std::filesystem::path(__FILE__).parent_path() / "pictures" / (std::string(name) + ".png");
    int32_t width = 0, height = 0;
    const bool found = png_read_rgb(path.c_str(), &reference, &width, &height) && width == SW && height == SH;
    // Small differences anywhere (another rasterizer's edges), or large ones in a few places.
    double total = 0;
    size_t off = 0;
    for (size_t i = 0; found && i < actual.size(); ++i) {
        const int d = std::abs(actual[i] - reference[i]);
        total += d;
        off += d > 16;
        difference[i] = static_cast<uint8_t>(std::min(255, 4 * d));
    }
    const bool close = found && total <= 1.0 * actual.size() && off <= actual.size() / 1000;
    if (!close) {
        png_write_rgb((std::string(name) + "-new.png").c_str(), actual.data(), SW, SH);
        png_write_rgb((std::string(name) + "-difference.png").c_str(), difference.data(), SW, SH);
    }
    EXPECT_TRUE(close) << path << (found ? "" : " is missing") << ": mean difference " << total / actual.size()
                       << ", " << off << " values off by more than 16; the new picture is "
                       << std::filesystem::current_path() / (std::string(name) + "-new.png");
}

INSTANTIATE_TEST_SUITE_P(MidScene, ScenePicture,
                         ::testing::Values(std::pair{"title", 9000u}, std::pair{"palette", 64000u},
                                           std::pair{"tilted", 82500u}, std::pair{"bands", 98500u},
                                           std::pair{"trail", 114000u}, std::pair{"far_bands", 131000u},
                                           std::pair{"spinning", 150000u}),
                         [](const auto& info) { return std::string(info.param.first); });
