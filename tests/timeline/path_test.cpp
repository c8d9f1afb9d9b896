#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdint>

#include "timeline/timeline.h"

class Path : public ::testing::Test {
protected:
    void SetUp() override {
        std::fill(path_points, path_points + PATH_CAPACITY, 0.0f);
        path_len = 0;
    }
    void build() { path_build(0, -30.0f, -10.0f, 50.0f, 0.0f, 0.0f); }
    float x(int point) { return path_points[2 * point]; }
    float y(int point) { return path_points[2 * point + 1]; }
};

TEST_F(Path, DemoPathIs2048PointsInDepthFirstOrderWithinTheCurvesBounds) {
    build();
    ASSERT_EQ(path_len, 4096);
    EXPECT_EQ(std::count(path_points + path_len, path_points + PATH_CAPACITY, 0.0f), PATH_CAPACITY - 4096);
    EXPECT_TRUE(x(0) == -30.0f && y(0) == -10.0f);
    EXPECT_TRUE(x(1024) == 50.0f && y(1024) == 0.0f);  // the backwards half starts at the far end...
    EXPECT_TRUE(x(1) == x(3) && y(1) == y(3) && x(1) != x(2));  // ...and leads back to the bend
    float low_x = 0, high_x = 0, low_y = 0, high_y = 0;
    for (int point = 0; point < 2048; ++point) {
        low_x = std::min(low_x, x(point));
        high_x = std::max(high_x, x(point));
        low_y = std::min(low_y, y(point));
        high_y = std::max(high_y, y(point));
    }
    EXPECT_NEAR(low_x, -58.127f, 0.001f);
    EXPECT_NEAR(high_x, 62.501f, 0.001f);
    EXPECT_NEAR(low_y, -24.830f, 0.001f);
    EXPECT_NEAR(high_y, 47.059f, 0.001f);
    // Every single-precision step shows in the bits: FNV-1a over the 4096 floats, little-endian.
    uint32_t hash = 2166136261u;
    for (int i = 0; i < 4096; ++i) {
        uint32_t bits = std::bit_cast<uint32_t>(path_points[i]);
        for (int byte = 0; byte < 4; ++byte) hash = (hash ^ ((bits >> (8 * byte)) & 0xFF)) * 16777619u;
    }
    EXPECT_EQ(hash, 0xE17FA6CFu);
}

TEST_F(Path, SplitBendsTheMidpointByHalfTheLengthAlongAnglePlus90Degrees) {
    // (0,0)-(2,0) at angle 0 bends at (1,1); the backwards half leads from (2,0) back to it.
    path_build(9, 0.0f, 0.0f, 2.0f, 0.0f, 0.0f);
    ASSERT_EQ(path_len, 8);
    const float expected[8] = {0, 0, 1, 1, 2, 0, 1, 1};
    for (int i = 0; i < 8; ++i) EXPECT_FLOAT_EQ(path_points[i], expected[i]) << i;
}

TEST_F(Path, FurtherBuildsAppendUntilTheArrayIsFullThenDropPoints) {
    for (int builds = 1; builds <= 9; ++builds) {
        build();
        EXPECT_EQ(path_len, std::min(builds * 4096, PATH_CAPACITY));
    }
    EXPECT_EQ(x(2048), -30.0f);  // the second build starts behind the first
}
