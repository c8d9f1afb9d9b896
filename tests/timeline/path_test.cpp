#include <gtest/gtest.h>

#include <algorithm>

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

TEST_F(Path, DepthZeroGives2048PointsStartingAtTheEnds) {
    build();
    ASSERT_EQ(path_len, 4096);
    EXPECT_EQ(x(0), -30.0f);
    EXPECT_EQ(y(0), -10.0f);
    // The second, backwards half starts at the far end.
    EXPECT_EQ(x(1024), 50.0f);
    EXPECT_EQ(y(1024), 0.0f);
}

TEST_F(Path, BackwardsHalvesRevisitEarlierPoints) {
    build();
    EXPECT_EQ(x(1), x(3));
    EXPECT_EQ(y(1), y(3));
    EXPECT_NE(x(1), x(2));
}

TEST_F(Path, PointsStayInsideTheCurvesBounds) {
    build();
    float min_x = x(0), max_x = x(0), min_y = y(0), max_y = y(0);
    for (int point = 0; point < 2048; ++point) {
        min_x = std::min(min_x, x(point));
        max_x = std::max(max_x, x(point));
        min_y = std::min(min_y, y(point));
        max_y = std::max(max_y, y(point));
    }
    EXPECT_NEAR(min_x, -58.1f, 0.1f);
    EXPECT_NEAR(max_x, 62.5f, 0.1f);
    EXPECT_NEAR(min_y, -24.8f, 0.1f);
    EXPECT_NEAR(max_y, 47.1f, 0.1f);
}

TEST_F(Path, ZeroFilledCapacityBeyondThePathStaysZero) {
    build();
    for (int32_t i = path_len; i < PATH_CAPACITY; ++i) ASSERT_EQ(path_points[i], 0.0f);
}

TEST_F(Path, LeafDepthAppendsOnlyItsStartPoint) {
    path_build(11, 1.5f, -2.5f, 9.0f, 9.0f, 0.3f);
    ASSERT_EQ(path_len, 2);
    EXPECT_EQ(x(0), 1.5f);
    EXPECT_EQ(y(0), -2.5f);
}

TEST_F(Path, SplitBendsTheMidpointByHalfTheLengthAlongAnglePlus90Degrees) {
    // (0,0)-(2,0) at angle 0 bends at (1,1); the backwards half leads from (2,0) back to it.
    path_build(9, 0.0f, 0.0f, 2.0f, 0.0f, 0.0f);
    ASSERT_EQ(path_len, 8);
    const float expected[8] = {0, 0, 1, 1, 2, 0, 1, 1};
    for (int i = 0; i < 8; ++i) EXPECT_FLOAT_EQ(path_points[i], expected[i]) << i;
}

TEST_F(Path, ASecondBuildAppendsBehindTheFirst) {
    build();
    build();
    ASSERT_EQ(path_len, 8192);
    EXPECT_EQ(x(2048), -30.0f);
    EXPECT_EQ(x(2048 + 1024), 50.0f);
}

TEST_F(Path, AFullPathDropsFurtherPointsInsteadOfWritingPastIt) {
    for (int build_count = 0; build_count < 9; ++build_count) build();
    EXPECT_EQ(path_len, PATH_CAPACITY);
}
