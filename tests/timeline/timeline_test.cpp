#include <gtest/gtest.h>

#include <GL/gl.h>

#include <vector>

#include "app/app.h"
#include "tests/platform/test_display.h"
#include "timeline/timeline.h"

static uint32_t fake_time = 0;
static int close_requests = 0;

static uint32_t fake_clock() {
    return fake_time;
}

// Records close requests without destroying the window, as if it survived them.
static intptr_t surviving_proc(WindowHandle, WindowMessage message, uintptr_t, intptr_t) {
    if (message == WINDOW_CLOSE) ++close_requests;
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
        close_requests = 0;
        path_len = 0;
    }
    void TearDown() override {
        window_destroy(main_window);
        main_window = 0;
        timeline_clock = timeline_music_clock;
        glDisable(GL_FOG);
    }
    // One frame in `state` at music time t (the clock read at the end of the previous frame).
    void frame_at(int32_t state, uint32_t t) {
        timeline_state = state;
        music_clock_ms = t;
        fake_time = t;
        timeline_step();
    }
    int32_t state_after(int32_t state, uint32_t t) {
        frame_at(state, t);
        return timeline_state;
    }
};

TEST_F(Timeline, StartUpStatesLastOneFrameEachThenWaitForTheClock) {
    frame_at(-3, 0);
    EXPECT_EQ(timeline_state, -2);
    timeline_step();
    EXPECT_EQ(timeline_state, -1);
    EXPECT_EQ(path_len, 4096);
    for (int frame = 0; frame < 10; ++frame) timeline_step();
    EXPECT_EQ(timeline_state, -1);
    EXPECT_EQ(close_requests, 0);
}

TEST_F(Timeline, ThresholdsCompareTheClockReadAtTheEndOfThePreviousFrame) {
    frame_at(-1, 0);
    fake_time = 1;
    EXPECT_EQ(timeline_state, -1);
    timeline_step();  // still sees 0; reads 1 at its end
    EXPECT_EQ(timeline_state, -1);
    EXPECT_EQ(music_clock_ms, 1u);
    timeline_step();
    EXPECT_EQ(timeline_state, 0);
}

TEST_F(Timeline, EachStateLeavesExactlyAtItsThreshold) {
    struct Threshold {
        int32_t state;
        uint32_t stays_at;
        uint32_t leaves_at;
    };
    const Threshold thresholds[] = {
        {-1, 0, 1},          {0, 45000, 45001},   {1, 74999, 75000},   {2, 89999, 90000},
        {4, 106999, 107000}, {6, 118999, 119000}, {8, 143499, 143500}, {10, 156999, 157000},
    };
    for (const Threshold& threshold : thresholds) {
        SCOPED_TRACE(threshold.state);
        EXPECT_EQ(state_after(threshold.state, threshold.stays_at), threshold.state);
        EXPECT_EQ(state_after(threshold.state, threshold.leaves_at), threshold.state + 1);
        EXPECT_EQ(state_after(threshold.state, 0xFFFFFFFFu), threshold.state + 1);
    }
}

TEST_F(Timeline, FogStatesLastOneFrameAndSwitchFog) {
    EXPECT_EQ(state_after(3, 0), 4);
    EXPECT_TRUE(glIsEnabled(GL_FOG));
    GLint mode = 0;
    glGetIntegerv(GL_FOG_MODE, &mode);
    EXPECT_EQ(mode, GL_EXP);
    GLfloat density = 0;
    glGetFloatv(GL_FOG_DENSITY, &density);
    EXPECT_FLOAT_EQ(density, 0.03f);
    GLfloat colour[4] = {};
    glGetFloatv(GL_FOG_COLOR, colour);
    EXPECT_FLOAT_EQ(colour[0], 0.01f);
    EXPECT_FLOAT_EQ(colour[3], 1.0f);
    EXPECT_EQ(state_after(5, 0), 6);
    EXPECT_FALSE(glIsEnabled(GL_FOG));
    EXPECT_EQ(state_after(7, 0), 8);
    EXPECT_TRUE(glIsEnabled(GL_FOG));
    EXPECT_EQ(state_after(9, 0), 10);
    EXPECT_FALSE(glIsEnabled(GL_FOG));
}

TEST_F(Timeline, TransitionFramesDrawNothingAndDoNotRunTheNextState) {
    const int32_t leaving[] = {1, 2, 4, 6, 8, 10};
    const uint32_t at[] = {75000, 90000, 107000, 119000, 143500, 157000};
    for (int i = 0; i < 6; ++i) {
        SCOPED_TRACE(leaving[i]);
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        frame_at(leaving[i], at[i]);
        EXPECT_EQ(timeline_state, leaving[i] + 1);
        EXPECT_FALSE(glIsEnabled(GL_FOG));  // states 3 and 7 wait for their own frame
        std::vector<unsigned char> pixels(64 * 64 * 3, 0xAA);
        glReadBuffer(GL_BACK);
        glReadPixels(0, 0, 64, 64, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
        for (unsigned char value : pixels) ASSERT_EQ(value, 0);
    }
}

TEST_F(Timeline, FramesLeaveTheMatrixStackAndColourAsTheyFoundThem) {
    for (int32_t state = -1; state <= 11; ++state) {
        SCOPED_TRACE(state);
        GLint depth_before = 0;
        glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth_before);
        frame_at(state, 60000);
        GLint depth_after = 0;
        glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth_after);
        EXPECT_EQ(depth_after, depth_before);
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    }
}

TEST_F(Timeline, FinalStateSendsCloseOnEveryFrameAndNeverMoves) {
    frame_at(11, 157000);
    for (int frame = 0; frame < 4; ++frame) timeline_step();
    EXPECT_EQ(timeline_state, 11);
    EXPECT_EQ(close_requests, 5);
}

TEST_F(Timeline, StatesOutsideTheTableDoNothing) {
    for (int32_t state : {-4, 12, 1000}) {
        EXPECT_EQ(state_after(state, 200000), state);
    }
    EXPECT_EQ(close_requests, 0);
}

TEST_F(Timeline, StepReturnsAndKeepsTheNewClock) {
    frame_at(-1, 0);
    fake_time = 12345;
    EXPECT_EQ(timeline_step(), 12345u);
    EXPECT_EQ(music_clock_ms, 12345u);
}

TEST_F(Timeline, MusicClockIsZeroWithoutASong) {
    ASSERT_EQ(demo_song, nullptr);
    EXPECT_EQ(timeline_music_clock(), 0u);
}
