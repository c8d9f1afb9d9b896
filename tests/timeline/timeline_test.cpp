#include <gtest/gtest.h>

#include "app/app.h"
#include "tests/platform/test_display.h"
#include "timeline/timeline.h"

static uint32_t fake_time = 0;
static int close_requests = 0;

static uint32_t fake_clock() {
    return fake_time;
}

// Counts close requests without destroying the window, as if it survived them.
static intptr_t surviving_proc(WindowHandle, WindowMessage message, uintptr_t, intptr_t) {
    close_requests += message == WINDOW_CLOSE;
    return 0;
}

class Timeline : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(test_display_open());
        main_window = window_create("timeline test", 64, 64, false, surviving_proc);
        ASSERT_NE(main_window, 0u);
        glViewport(0, 0, 64, 64);
        timeline_clock = fake_clock;
        timeline_music_start = [] { return true; };  // the pictures without the sound
        close_requests = 0;
        path_len = 0;
    }
    void TearDown() override {
        window_destroy(main_window);
        timeline_clock = timeline_music_clock;
        timeline_music_start = music_bring_up;
    }
    // One frame in `state` after a frame that read the clock at t.
    int32_t state_after(int32_t state, uint32_t t) {
        timeline_state = state;
        music_clock_ms = fake_time = t;
        timeline_step();
        return timeline_state;
    }
};

TEST_F(Timeline, StartUpStatesLastOneFrameEachThenWaitForTheFirstNonZeroClock) {
    EXPECT_EQ(state_after(-3, 0), -2);
    timeline_step();
    EXPECT_EQ(timeline_state, -1);
    EXPECT_EQ(path_len, 4096);
    for (int frame = 0; frame < 10; ++frame) timeline_step();
    EXPECT_EQ(timeline_state, -1);
    EXPECT_EQ(timeline_music_clock(), 0u);  // without a song the real clock stays 0 as well
    fake_time = 1;
    EXPECT_EQ(timeline_step(), 1u);  // this frame still sees the 0 read at the end of the last
    EXPECT_TRUE(timeline_state == -1 && music_clock_ms == 1);
    timeline_step();
    EXPECT_EQ(timeline_state, 0);
    EXPECT_EQ(close_requests, 0);
}

TEST_F(Timeline, EachTimedStateLeavesExactlyAtItsThresholdWithoutRunningTheNext) {
    const std::pair<int32_t, uint32_t> last_stay[] = {
        {-1, 0}, {0, 45000}, {1, 74999}, {2, 89999}, {4, 106999}, {6, 118999}, {8, 143499}, {10, 156999}};
    for (const auto& [state, stays_at] : last_stay) {
        SCOPED_TRACE(state);
        EXPECT_EQ(state_after(state, stays_at), state);
        EXPECT_EQ(state_after(state, stays_at + 1), state + 1);
        EXPECT_EQ(state_after(state, 0xFFFFFFFFu), state + 1);
        EXPECT_FALSE(glIsEnabled(GL_FOG));  // fog states 3 and 7 wait for their own frame
    }
}

TEST_F(Timeline, FogStatesLastOneFrameAndSwitchTheFog) {
    for (const auto& [state, fog] : {std::pair{3, true}, {5, false}, {7, true}, {9, false}}) {
        SCOPED_TRACE(state);
        EXPECT_EQ(state_after(state, 0), state + 1);
        EXPECT_EQ(glIsEnabled(GL_FOG) == GL_TRUE, fog);
    }
}

TEST_F(Timeline, EveryStateLeavesTheMatrixStackAsItFoundIt) {
    for (int32_t state = -3; state <= 11; ++state) {
        SCOPED_TRACE(state);
        GLint before = 0, after = 0;
        glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &before);
        state_after(state, 60000);
        glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &after);
        EXPECT_EQ(after, before);
    }
}

TEST_F(Timeline, FinalStateSendsCloseEveryFrameAndStatesOutsideTheTableDoNothing) {
    EXPECT_EQ(state_after(11, 157000), 11);
    for (int frame = 0; frame < 4; ++frame) timeline_step();
    EXPECT_EQ(timeline_state, 11);
    EXPECT_EQ(close_requests, 5);
    for (int32_t state : {-4, 12}) EXPECT_EQ(state_after(state, 200000), state);
    EXPECT_EQ(close_requests, 5);
}

TEST_F(Timeline, TextIsDrawnUnlitAndLeavesColourAndLightingAsTheyWere) {
    const float position[3] = {-0.9f, -0.3f, 0.0f}, white[4] = {1, 1, 1, 1};
    glClear(GL_COLOR_BUFFER_BIT);
    glEnable(GL_LIGHTING);  // with no light enabled, lit text would come out black
    glColor4f(0.25f, 0.5f, 0.75f, 1.0f);
    text_draw("Loading...", position, white);
    EXPECT_GT(white_pixels(0, 0, 64, 64), 20);
    GLfloat colour[4] = {};
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING) && colour[0] == 0.25f && colour[2] == 0.75f);
    glDisable(GL_LIGHTING);
    text_draw("x", position, white);
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
}
