// The mixer on hand-built voices: loop boundaries, stops, ramps and the PCM conversion.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "audio/audio.h"

namespace {

// A sample laid out as the loader leaves it: length frames, 8 zeroed guard frames, and the
// interpolation guard at the loop end.
struct TestSample {
    std::vector<int16_t> frames;
    SampleHeader header{};
};

void make_sample(TestSample& s, uint32_t length, uint8_t loop_type, uint32_t loop_start,
                 uint32_t loop_length, int16_t (*value)(uint32_t)) {
    s.frames.assign(length + 8, 0);
    for (uint32_t i = 0; i < length; ++i) s.frames[i] = value(i);
    if (loop_type == LOOP_NONE) {
        loop_start = 0;
        loop_length = length;
    }
    uint32_t end = loop_start + loop_length;
    if (loop_type == LOOP_FORWARD) s.frames[end] = s.frames[loop_start];
    if (loop_type == LOOP_PINGPONG) s.frames[end] = s.frames[end - 1];
    s.header = SampleHeader{};
    s.header.data = s.frames.data();
    s.header.length = length;
    s.header.loop_start = loop_start;
    s.header.loop_length = loop_length;
    s.header.loop_type = loop_type;
    s.header.bits = 16;
}

int16_t ramp_value(uint32_t i) { return static_cast<int16_t>(i * 10); }
int16_t constant_value(uint32_t) { return 10000; }

class MixerTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::memset(voices, 0, sizeof voices);
        ramp_frames = 128;
        ramp_step = 1.0f / 128.0f;
    }
    void TearDown() override { std::memset(voices, 0, sizeof voices); }

    // Voice 0 playing at a steady level (no ramp pending), moving forward.
    Voice& steady_voice(SampleHeader* sample, int32_t level, uint64_t step_32_32) {
        Voice& v = voices[0];
        v = Voice{};
        v.sample = sample;
        v.step = static_cast<int32_t>(step_32_32 >> 32);
        v.step_frac = static_cast<uint32_t>(step_32_32);
        v.direction = 1;
        v.level_left = v.level_right = level;
        v.ramp_left_target = v.ramp_right_target = level;
        v.cur_left = v.cur_right = level * 256;
        return v;
    }
};

constexpr uint64_t ONE = uint64_t{1} << 32;
constexpr float UNIT_GAIN = 255.0f * (1.0f / 255.0f);

TEST_F(MixerTest, ForwardLoopWrapsToLoopStart) {
    TestSample s;
    make_sample(s, 200, LOOP_FORWARD, 100, 50, ramp_value);
    Voice& v = steady_voice(&s.header, 255, ONE);
    std::vector<float> span(2 * 160, 0.0f);
    mix_voices(span.data(), 150);
    EXPECT_EQ(v.pos, 100);  // frame 150 is the loop start again
    EXPECT_EQ(v.pos_frac, 0u);
    EXPECT_NEAR(span[2 * 149], 1490.0f * UNIT_GAIN, 0.01f);
    mix_voices(span.data() + 2 * 150, 10);
    for (int k = 0; k < 10; ++k) EXPECT_NEAR(span[2 * (150 + k)], (1000 + 10 * k) * UNIT_GAIN, 0.01f);
    EXPECT_EQ(v.pos, 110);
    ASSERT_NE(v.sample, nullptr);
}

TEST_F(MixerTest, ForwardLoopWithAStepLongerThanTheLoopStaysInside) {
    TestSample s;
    make_sample(s, 64, LOOP_FORWARD, 40, 3, ramp_value);
    Voice& v = steady_voice(&s.header, 100, 37 * ONE + 0x12345678);
    std::vector<float> span(2 * 884);
    for (int block = 0; block < 20; ++block) {
        mix_voices(span.data(), 884);
        ASSERT_GE(v.pos, 40);
        ASSERT_LT(v.pos, 43);
    }
}

TEST_F(MixerTest, PingPongTurnsAtExactlyLoopEnd) {
    TestSample s;
    make_sample(s, 200, LOOP_PINGPONG, 100, 50, ramp_value);
    Voice& v = steady_voice(&s.header, 255, ONE);
    v.pos = 140;
    std::vector<float> span(2 * 20, 0.0f);
    mix_voices(span.data(), 10);  // reaches 150.0 exactly
    EXPECT_EQ(v.direction, 2);
    EXPECT_EQ(v.pos, 149);  // 149.999...
    EXPECT_EQ(v.pos_frac, 0xFFFFFFFFu);
    mix_voices(span.data() + 20, 3);
    EXPECT_EQ(v.pos, 146);
    // 149.999... blends frame 149 with the guard copy of it after the loop end; 148.999... is
    // next to frame 149, 147.999... next to frame 148.
    EXPECT_NEAR(span[20], 1490.0f * UNIT_GAIN, 0.01f);
    EXPECT_NEAR(span[22], 1490.0f * UNIT_GAIN, 0.01f);
    EXPECT_NEAR(span[24], 1480.0f * UNIT_GAIN, 0.01f);
}

TEST_F(MixerTest, PingPongBouncesBetweenBothEnds) {
    TestSample s;
    make_sample(s, 120, LOOP_PINGPONG, 100, 10, ramp_value);
    Voice& v = steady_voice(&s.header, 255, ONE);
    v.pos = 105;
    std::vector<float> span(2 * 30, 0.0f);
    mix_voices(span.data(), 30);  // 105 -> 110 turn -> 100 turn -> 110 turn -> ...
    std::vector<int> heard;
    for (int k = 0; k < 30; ++k) heard.push_back(static_cast<int>(std::lround(span[2 * k] / 10.0f)));
    EXPECT_EQ(heard[0], 105);
    EXPECT_EQ(heard[4], 109);
    EXPECT_EQ(heard[5], 109);   // 109.999... reads the guard copy of frame 109
    EXPECT_EQ(heard[14], 101);  // 100.999..., the last frame before the start
    EXPECT_EQ(heard[15], 100);  // turned at 99.999... onto exactly 100.0
    EXPECT_EQ(heard[24], 109);
    EXPECT_EQ(v.direction, 2);
    for (int h : heard) {
        EXPECT_GE(h, 100);
        EXPECT_LE(h, 109);
    }
}

TEST_F(MixerTest, PingPongTurnAtFrameZeroNeverReadsBeforeTheData) {
    TestSample s;
    make_sample(s, 64, LOOP_PINGPONG, 0, 50, ramp_value);
    Voice& v = steady_voice(&s.header, 255, ONE);
    v.pos = 10;
    v.direction = 2;
    std::vector<float> span(2 * 10, 0.0f);
    mix_voices(span.data(), 10);  // reaches 0.0 exactly moving backward
    EXPECT_EQ(v.direction, 1);
    EXPECT_EQ(v.pos, 0);
    EXPECT_EQ(v.pos_frac, 0u);
}

TEST_F(MixerTest, PingPongWithAStepLongerThanTheLoopStaysInside) {
    TestSample s;
    make_sample(s, 64, LOOP_PINGPONG, 30, 2, ramp_value);
    Voice& v = steady_voice(&s.header, 255, 7 * ONE + 0x9000000);
    std::vector<float> span(2 * 884);
    for (int block = 0; block < 20; ++block) {
        mix_voices(span.data(), 884);
        ASSERT_GE(v.pos, 29);
        ASSERT_LT(v.pos, 32);
    }
}

TEST_F(MixerTest, NonLoopedVoiceStopsAtItsLength) {
    TestSample s;
    make_sample(s, 100, LOOP_NONE, 0, 0, constant_value);
    Voice& v = steady_voice(&s.header, 255, ONE);
    std::vector<float> span(2 * 200, 5.0f);
    mix_voices(span.data(), 200);
    EXPECT_EQ(v.sample, nullptr);
    EXPECT_EQ(v.pos, 0);
    EXPECT_NEAR(span[2 * 99], 5.0f + 10000.0f * UNIT_GAIN, 0.01f);
    for (int k = 100; k < 200; ++k) {
        ASSERT_EQ(span[2 * k], 5.0f) << "frame " << k;
        ASSERT_EQ(span[2 * k + 1], 5.0f) << "frame " << k;
    }
}

TEST_F(MixerTest, FractionalStepStopsAfterTheLastFrameBeforeTheEnd) {
    TestSample s;
    make_sample(s, 100, LOOP_NONE, 0, 0, constant_value);
    Voice& v = steady_voice(&s.header, 255, ONE + ONE / 2);
    std::vector<float> span(2 * 100, 0.0f);
    mix_voices(span.data(), 100);
    EXPECT_EQ(v.sample, nullptr);
    // Positions 0, 1.5, ..., 99.0 are heard: 67 frames.
    EXPECT_NE(span[2 * 66], 0.0f);
    EXPECT_EQ(span[2 * 67], 0.0f);
}

TEST_F(MixerTest, VeryHighStepStopsAtTheEndOfAVeryLongSample) {
    TestSample s;
    const uint32_t length = (1u << 24) + 1000;  // more than 2^24 frames from the start
    make_sample(s, length, LOOP_NONE, 0, 0, constant_value);
    Voice& v = steady_voice(&s.header, 255, 30000 * ONE);
    std::vector<float> span(2 * 884, 0.0f);
    mix_voices(span.data(), 884);
    EXPECT_EQ(v.sample, nullptr);
    const int heard = static_cast<int>((length + 29999) / 30000);  // 560 frames
    EXPECT_NE(span[2 * (heard - 1)], 0.0f);
    EXPECT_EQ(span[2 * heard], 0.0f);
}

TEST_F(MixerTest, VoiceOnDummySampleStopsAtOnce) {
    Voice& v = steady_voice(&dummy_sample, 255, ONE);
    std::vector<float> span(2 * 64, 0.0f);
    mix_voices(span.data(), 64);
    EXPECT_EQ(v.sample, nullptr);
    for (float x : span) ASSERT_EQ(x, 0.0f);
}

TEST_F(MixerTest, VoiceOutsideItsSampleFallsSilent) {
    TestSample s;
    make_sample(s, 100, LOOP_FORWARD, 10, 20, constant_value);
    Voice& v = steady_voice(&s.header, 255, ONE);
    v.pos = 5000;
    std::vector<float> span(2 * 64, 0.0f);
    mix_voices(span.data(), 64);
    EXPECT_EQ(v.sample, nullptr);
    for (float x : span) ASSERT_EQ(x, 0.0f);
}

TEST_F(MixerTest, HaltedVoiceStillReachesItsEnd) {
    TestSample s;
    make_sample(s, 2, LOOP_NONE, 0, 0, constant_value);
    Voice& v = steady_voice(&s.header, 255, 0);
    v.pos = 1;
    std::vector<float> span(2 * 884, 0.0f);
    for (int block = 0; block < 10 && v.sample; ++block) mix_voices(span.data(), 884);
    // Counted with a stand-in step of 0x017C6F8C: 1 frame away takes 173 frames.
    EXPECT_EQ(v.sample, nullptr);
}

TEST_F(MixerTest, TriggeredNoteFadesInOver128FramesWithoutAClick) {
    TestSample s;
    make_sample(s, 1000, LOOP_FORWARD, 0, 1000, constant_value);
    Voice& v = steady_voice(&s.header, 255, ONE);
    v.cur_left = v.cur_right = 0;  // a trigger starts from silence
    std::vector<float> span(2 * 300, 0.0f);
    mix_voices(span.data(), 300);
    EXPECT_EQ(span[0], 0.0f);
    for (int k = 1; k < 300; ++k) {
        float step = span[2 * k] - span[2 * (k - 1)];
        ASSERT_GE(step, 0.0f) << "frame " << k;
        ASSERT_LE(step, 10000.0f / 128.0f + 0.1f) << "frame " << k;
    }
    EXPECT_NEAR(span[2 * 127], 10000.0f * 127.0f / 128.0f, 0.5f);
    EXPECT_NEAR(span[2 * 128], 10000.0f, 0.5f);
    EXPECT_EQ(span[2 * 128 + 1], span[2 * 128]);
    EXPECT_EQ(v.ramp_frames_left, 0);
    EXPECT_EQ(v.cur_left, 255 * 256);
}

TEST_F(MixerTest, LevelDropFadesOutOver128FramesAndTheVoiceKeepsRunning) {
    TestSample s;
    make_sample(s, 1000, LOOP_FORWARD, 0, 1000, constant_value);
    Voice& v = steady_voice(&s.header, 255, ONE);
    v.level_left = v.level_right = 0;
    std::vector<float> span(2 * 200, 0.0f);
    mix_voices(span.data(), 200);
    EXPECT_NEAR(span[0], 10000.0f, 0.5f);
    EXPECT_NEAR(span[2 * 64], 5000.0f, 0.5f);
    for (int k = 128; k < 200; ++k) ASSERT_EQ(span[2 * k], 0.0f);
    EXPECT_NE(v.sample, nullptr);
    EXPECT_EQ(v.pos, 200);
}

TEST_F(MixerTest, RampCarriesAcrossLoopBoundariesAndCalls) {
    TestSample s;
    make_sample(s, 90, LOOP_FORWARD, 10, 37, ramp_value);
    Voice& v = steady_voice(&s.header, 200, ONE + 0x3000000);
    v.cur_left = 10 * 256;
    v.level_right = 40;
    std::vector<float> whole(2 * 600, 0.0f);
    mix_voices(whole.data(), 600);
    Voice after_whole = v;

    steady_voice(&s.header, 200, ONE + 0x3000000);
    v.cur_left = 10 * 256;
    v.level_right = 40;
    std::vector<float> pieces(2 * 600, 0.0f);
    const int cuts[] = {7, 50, 1, 88, 120, 334};
    int at = 0;
    for (int n : cuts) {
        mix_voices(pieces.data() + 2 * at, n);
        at += n;
    }
    ASSERT_EQ(at, 600);
    // A ramp cut by a call resumes from its level rounded to 1/256: close, not identical.
    for (int k = 0; k < 256; ++k) ASSERT_NEAR(pieces[k], whole[k], 1.0f) << "value " << k;
    for (int k = 256; k < 1200; ++k) ASSERT_EQ(pieces[k], whole[k]) << "value " << k;
    EXPECT_EQ(v.pos, after_whole.pos);
    EXPECT_EQ(v.pos_frac, after_whole.pos_frac);
}

TEST_F(MixerTest, SideAlreadyAtItsLevelStaysStillThroughARampOnTheOtherSide) {
    TestSample s;
    make_sample(s, 400, LOOP_FORWARD, 0, 20, constant_value);
    Voice& v = steady_voice(&s.header, 100, ONE);
    // A ramp interrupted earlier left an increment behind on the left side.
    v.ramp_left_inc = 0.01f;
    v.ramp_frames_left = 40;
    v.ramp_left_target = 30;
    v.level_right = 200;  // only the right side moves now
    std::vector<float> span(2 * 200, 0.0f);
    mix_voices(span.data(), 200);  // the ramp crosses the loop end at frame 20 and continues
    float expected_left = 10000.0f * (100.0f * (1.0f / 255.0f));
    for (int k = 0; k < 200; ++k) ASSERT_NEAR(span[2 * k], expected_left, 0.01f) << "frame " << k;
    EXPECT_NEAR(span[2 * 199 + 1], 10000.0f * (200.0f / 255.0f), 0.5f);
}

TEST_F(MixerTest, PanningSplitsTheLevelsIntoLeftAndRight) {
    TestSample s;
    make_sample(s, 100, LOOP_FORWARD, 0, 100, constant_value);
    Voice& v = steady_voice(&s.header, 0, ONE);
    v.level_left = v.ramp_left_target = 255;
    v.cur_left = 255 * 256;
    std::vector<float> span(2 * 10, 0.0f);
    mix_voices(span.data(), 10);
    EXPECT_NEAR(span[0], 10000.0f, 0.01f);
    EXPECT_EQ(span[1], 0.0f);
}

TEST_F(MixerTest, VoicesAddUpAndTwinsAbove63AreIgnored) {
    TestSample s;
    make_sample(s, 100, LOOP_FORWARD, 0, 100, constant_value);
    steady_voice(&s.header, 255, ONE);
    voices[63] = voices[0];
    voices[64] = voices[0];
    std::vector<float> span(2 * 10, 0.0f);
    mix_voices(span.data(), 10);
    EXPECT_NEAR(span[0], 20000.0f, 0.01f);
    EXPECT_EQ(voices[64].pos, 0);
}

TEST_F(MixerTest, NothingHappensForNoFrames) {
    TestSample s;
    make_sample(s, 100, LOOP_NONE, 0, 0, constant_value);
    Voice& v = steady_voice(&s.header, 255, ONE);
    float span[2] = {1.0f, 1.0f};
    mix_voices(span, 0);
    mix_voices(span, -5);
    EXPECT_EQ(span[0], 1.0f);
    EXPECT_EQ(v.pos, 0);
}

TEST(FloatToPcm16, RoundsHalfToEvenAndClips) {
    const float in[] = {40000.4f, -40000.6f, 2.5f, 3.5f, -2.5f, 32767.5f, -32768.4f, 0.49f, 1e30f, -1.5f};
    const int16_t want[] = {32767, -32768, 2, 4, -2, 32767, -32768, 0, 32767, -2};
    int16_t out[10] = {};
    float_to_pcm16(out, in, 5);
    for (int k = 0; k < 10; ++k) EXPECT_EQ(out[k], want[k]) << "value " << in[k];
}

TEST(FloatToPcm16, IgnoresEmptyRequestsAndNullPointers) {
    const float in[2] = {100.0f, 200.0f};
    int16_t out[2] = {7, 7};
    float_to_pcm16(out, in, 0);
    float_to_pcm16(out, nullptr, 1);
    float_to_pcm16(nullptr, in, 1);
    EXPECT_EQ(out[0], 7);
    EXPECT_EQ(out[1], 7);
}

}  // namespace
