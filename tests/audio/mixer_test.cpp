// The mixer on hand-built voices: loop boundaries, stops, ramps and the PCM conversion.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "audio/audio.h"

namespace {

constexpr uint64_t ONE = uint64_t{1} << 32;
constexpr float UNIT_GAIN = 255.0f * (1.0f / 255.0f);

// A sample laid out as the loader leaves it: length frames (frame i is i x 10, or 10000 when
// `constant`), 8 zeroed guard frames, and the interpolation guard at the loop end.
struct TestSample {
    std::vector<int16_t> frames;
    SampleHeader header{};
    TestSample(uint32_t length, uint8_t loop_type, uint32_t loop_start, uint32_t loop_length, bool constant = false)
        : frames(length + 8, 0) {
        for (uint32_t i = 0; i < length; ++i) frames[i] = static_cast<int16_t>(constant ? 10000 : i * 10);
        if (loop_type == LOOP_NONE) loop_start = 0, loop_length = length;
        const uint32_t end = loop_start + loop_length;
        if (loop_type == LOOP_FORWARD) frames[end] = frames[loop_start];
        if (loop_type == LOOP_PINGPONG) frames[end] = frames[end - 1];
        header.data = frames.data();
        header.length = length;
        header.loop_start = loop_start;
        header.loop_length = loop_length;
        header.loop_type = loop_type;
        header.bits = 16;
    }
};

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
        Voice& v = voices[0] = Voice{};
        v.sample = sample;
        v.step = static_cast<int32_t>(step_32_32 >> 32);
        v.step_frac = static_cast<uint32_t>(step_32_32);
        v.direction = 1;
        v.level_left = v.level_right = v.ramp_left_target = v.ramp_right_target = level;
        v.cur_left = v.cur_right = level * 256;
        return v;
    }
    // Mixes `frames` frames of voice 0 into a zeroed span and returns the left channel.
    std::vector<float> mix_left(int frames) {
        std::vector<float> span(2 * static_cast<size_t>(frames), 0.0f), left;
        mix_voices(span.data(), frames);
        for (int k = 0; k < frames; ++k) left.push_back(span[2 * k]);
        return left;
    }
};

TEST_F(MixerTest, ForwardLoopWrapsToLoopStart) {
    TestSample s(200, LOOP_FORWARD, 100, 50);
    Voice& v = steady_voice(&s.header, 255, ONE);
    EXPECT_NEAR(mix_left(150)[149], 1490.0f * UNIT_GAIN, 0.01f);
    EXPECT_EQ(v.pos, 100);  // frame 150 is the loop start again
    EXPECT_EQ(v.pos_frac, 0u);
    const std::vector<float> after = mix_left(10);
    for (int k = 0; k < 10; ++k) EXPECT_NEAR(after[k], (1000 + 10 * k) * UNIT_GAIN, 0.01f);
    EXPECT_EQ(v.pos, 110);
}

TEST_F(MixerTest, StepLongerThanTheLoopStaysInside) {
    struct Case { uint8_t type; uint32_t start, length; uint64_t step; int lowest, highest; };
    for (Case c : {Case{LOOP_FORWARD, 40, 3, 37 * ONE + 0x12345678, 40, 42}, Case{LOOP_PINGPONG, 30, 2, 7 * ONE + 0x9000000, 29, 31}}) {
        TestSample s(64, c.type, c.start, c.length);
        Voice& v = steady_voice(&s.header, 100, c.step);
        for (int block = 0; block < 20; ++block) {
            mix_left(884);
            ASSERT_TRUE(v.pos >= c.lowest && v.pos <= c.highest) << int{c.type} << ": " << v.pos;
        }
    }
}

TEST_F(MixerTest, PingPongTurnsAtExactlyLoopEnd) {
    TestSample s(200, LOOP_PINGPONG, 100, 50);
    Voice& v = steady_voice(&s.header, 255, ONE);
    v.pos = 140;
    mix_left(10);  // reaches 150.0 exactly
    EXPECT_EQ(v.direction, 2);
    EXPECT_EQ(v.pos, 149);  // 149.999...
    EXPECT_EQ(v.pos_frac, 0xFFFFFFFFu);
    // 149.999... blends frame 149 with the guard copy of it after the loop end; 148.999... is
    // next to frame 149, 147.999... next to frame 148.
    const std::vector<float> back = mix_left(3);
    EXPECT_EQ(v.pos, 146);
    EXPECT_NEAR(back[0], 1490.0f * UNIT_GAIN, 0.01f);
    EXPECT_NEAR(back[1], 1490.0f * UNIT_GAIN, 0.01f);
    EXPECT_NEAR(back[2], 1480.0f * UNIT_GAIN, 0.01f);
}

TEST_F(MixerTest, PingPongBouncesBetweenBothEndsAndTurnsAtFrameZeroWithoutReadingBeforeTheData) {
    TestSample s(120, LOOP_PINGPONG, 100, 10);
    Voice& v = steady_voice(&s.header, 255, ONE);
    v.pos = 105;
    std::vector<int> heard;  // 105 -> 110 turn -> 100 turn -> 110 turn -> ...
    for (float x : mix_left(30)) heard.push_back(static_cast<int>(std::lround(x / 10.0f)));
    // 109.999... reads the guard copy of frame 109; 100.999... is the last frame before the
    // start, then the turn at 99.999... lands on exactly 100.0.
    for (auto [k, frame] : {std::pair{0, 105}, {4, 109}, {5, 109}, {14, 101}, {15, 100}, {24, 109}}) {
        EXPECT_EQ(heard[k], frame) << "frame " << k;
    }
    EXPECT_EQ(*std::min_element(heard.begin(), heard.end()), 100);
    EXPECT_EQ(*std::max_element(heard.begin(), heard.end()), 109);

    TestSample at_zero(64, LOOP_PINGPONG, 0, 50);
    Voice& w = steady_voice(&at_zero.header, 255, ONE);
    w.pos = 10;
    w.direction = 2;
    mix_left(10);  // reaches 0.0 exactly moving backward
    EXPECT_EQ(w.direction, 1);
    EXPECT_EQ(w.pos, 0);
    EXPECT_EQ(w.pos_frac, 0u);
}

TEST_F(MixerTest, NonLoopedVoiceStopsAfterTheLastFrameBeforeItsEnd) {
    // Step 1.5 hears positions 0, 1.5, ..., 99.0: 67 frames. A sample of more than 2^24 frames
    // at step 30000 is heard for 560 frames.
    struct Case { uint32_t length; uint64_t step; int heard; };
    for (Case c : {Case{100, ONE, 100}, Case{100, ONE + ONE / 2, 67}, Case{(1u << 24) + 1000, 30000 * ONE, 560}}) {
        TestSample s(c.length, LOOP_NONE, 0, 0, true);
        Voice& v = steady_voice(&s.header, 255, c.step);
        const std::vector<float> left = mix_left(884);
        EXPECT_EQ(v.sample, nullptr) << c.length;
        EXPECT_NEAR(left[c.heard - 1], 10000.0f * UNIT_GAIN, 0.01f) << c.length;
        for (int k = c.heard; k < 884; ++k) ASSERT_EQ(left[k], 0.0f) << c.length << " frame " << k;
    }
}

TEST_F(MixerTest, VoicesOnTheDummySampleOrOutsideTheirSampleStopSilently) {
    TestSample s(100, LOOP_FORWARD, 10, 20, true);
    for (SampleHeader* sample : {&dummy_sample, &s.header}) {
        Voice& v = steady_voice(sample, 255, ONE);
        if (sample != &dummy_sample) v.pos = 5000;
        EXPECT_EQ(mix_left(64), std::vector<float>(64, 0.0f));
        EXPECT_EQ(v.sample, nullptr);
    }
    // A halted voice is counted with a stand-in step of 0x017C6F8C: 1 frame away takes 173 frames.
    TestSample two(2, LOOP_NONE, 0, 0, true);
    Voice& halted = steady_voice(&two.header, 255, 0);
    halted.pos = 1;
    mix_left(884);
    EXPECT_EQ(halted.sample, nullptr);
}

TEST_F(MixerTest, LevelChangesRampOver128FramesWithoutAClick) {
    TestSample s(1000, LOOP_FORWARD, 0, 1000, true);
    Voice& v = steady_voice(&s.header, 255, ONE);
    v.cur_left = v.cur_right = 0;  // a trigger starts from silence
    std::vector<float> span(2 * 300, 0.0f);
    mix_voices(span.data(), 300);
    EXPECT_EQ(span[0], 0.0f);
    for (int k = 1; k < 300; ++k) {
        const float step = span[2 * k] - span[2 * (k - 1)];
        ASSERT_TRUE(step >= 0.0f && step <= 10000.0f / 128.0f + 0.1f) << "frame " << k;
    }
    EXPECT_NEAR(span[2 * 127], 10000.0f * 127.0f / 128.0f, 0.5f);
    EXPECT_NEAR(span[2 * 128], 10000.0f, 0.5f);
    EXPECT_EQ(span[2 * 128 + 1], span[2 * 128]);
    EXPECT_EQ(v.cur_left, 255 * 256);
    // A drop to 0 fades out the same way, and the voice keeps running.
    steady_voice(&s.header, 255, ONE).level_left = 0;
    const std::vector<float> left = mix_left(200);
    EXPECT_NEAR(left[0], 10000.0f, 0.5f);
    EXPECT_NEAR(left[64], 5000.0f, 0.5f);
    EXPECT_EQ(std::vector<float>(left.begin() + 128, left.end()), std::vector<float>(72, 0.0f));
    EXPECT_EQ(v.pos, 200);
}

TEST_F(MixerTest, RampCarriesAcrossLoopBoundariesAndCalls) {
    TestSample s(90, LOOP_FORWARD, 10, 37);
    std::vector<float> whole(2 * 600, 0.0f), pieces(2 * 600, 0.0f);
    Voice& v = steady_voice(&s.header, 200, ONE + 0x3000000);
    v.cur_left = 10 * 256;
    v.level_right = 40;
    const Voice start = v;
    mix_voices(whole.data(), 600);
    const Voice after_whole = v;
    v = start;
    int at = 0;
    for (int n : {7, 50, 1, 88, 120, 334}) mix_voices(pieces.data() + 2 * at, n), at += n;
    // A ramp cut by a call resumes from its level rounded to 1/256: close, not identical.
    for (int k = 0; k < 256; ++k) ASSERT_NEAR(pieces[k], whole[k], 1.0f) << "value " << k;
    for (int k = 256; k < 1200; ++k) ASSERT_EQ(pieces[k], whole[k]) << "value " << k;
    EXPECT_EQ(v.pos, after_whole.pos);
    EXPECT_EQ(v.pos_frac, after_whole.pos_frac);
}

TEST_F(MixerTest, SideAlreadyAtItsLevelStaysStillThroughARampOnTheOtherSide) {
    TestSample s(400, LOOP_FORWARD, 0, 20, true);
    Voice& v = steady_voice(&s.header, 100, ONE);
    // A ramp interrupted earlier left an increment behind on the left side.
    v.ramp_left_inc = 0.01f;
    v.ramp_frames_left = 40;
    v.ramp_left_target = 30;
    v.level_right = 200;  // only the right side moves now
    std::vector<float> span(2 * 200, 0.0f);
    mix_voices(span.data(), 200);  // the ramp crosses the loop end at frame 20 and continues
    for (int k = 0; k < 200; ++k) ASSERT_NEAR(span[2 * k], 10000.0f * (100.0f * (1.0f / 255.0f)), 0.01f) << k;
    EXPECT_NEAR(span[2 * 199 + 1], 10000.0f * (200.0f / 255.0f), 0.5f);
}

TEST_F(MixerTest, VoicesAddUpTwinsAbove63AreIgnoredAndNoFramesDoNothing) {
    TestSample s(100, LOOP_FORWARD, 0, 100, true);
    Voice& v = steady_voice(&s.header, 255, ONE);
    voices[63] = voices[64] = v;
    float none[2] = {1.0f, 1.0f};
    mix_voices(none, 0);
    mix_voices(none, -5);
    EXPECT_EQ(none[0], 1.0f);
    EXPECT_EQ(v.pos, 0);
    EXPECT_NEAR(mix_left(10)[0], 20000.0f, 0.01f);
    EXPECT_EQ(voices[64].pos, 0);
}

TEST(FloatToPcm16, RoundsHalfToEvenClipsAndIgnoresEmptyRequests) {
    const float in[] = {40000.4f, -40000.6f, 2.5f, 3.5f, -2.5f, 32767.5f, -32768.4f, 0.49f, 1e30f, -1.5f};
    const int16_t want[] = {32767, -32768, 2, 4, -2, 32767, -32768, 0, 32767, -2};
    int16_t out[10] = {};
    float_to_pcm16(out, in, 5);
    for (int k = 0; k < 10; ++k) EXPECT_EQ(out[k], want[k]) << "value " << in[k];
    float_to_pcm16(out, in + 2, 0);
    float_to_pcm16(out, nullptr, 1);
    float_to_pcm16(nullptr, in, 1);
    EXPECT_EQ(out[0], 32767);
}

}  // namespace
