// The mixer on hand-built voices: loop boundaries, stops, ramps and the PCM conversion.
#include <gtest/gtest.h>

#include <algorithm>
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
        for (uint32_t i = 0; i < length; ++i) frames[i] = int16_t(constant ? 10000 : i * 10);
        if (loop_type == LOOP_NONE) loop_start = 0, loop_length = length;
        const uint32_t end = loop_start + loop_length;
        if (loop_type != LOOP_NONE) frames[end] = frames[loop_type == LOOP_FORWARD ? loop_start : end - 1];
        header = {.data = frames.data(), .length = length, .loop_start = loop_start, .loop_length = loop_length,
                  .volume = 0, .finetune = 0, .panning = 0, .bits = 16, .loop_type = loop_type, .relative_note = 0};
    }
};

class MixerTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::memset(voices, 0, sizeof voices);
        ramp_frames = 128;
        ramp_step = 1.0f / 128.0f;
    }

    // Voice 0 playing at a steady level (no ramp pending), moving forward.
    Voice& steady_voice(SampleHeader* sample, int32_t level, uint64_t step_32_32) {
        Voice& v = voices[0] = Voice{};
        v.sample = sample;
        v.step = int32_t(step_32_32 >> 32);
        v.step_frac = uint32_t(step_32_32);
        v.direction = 1;
        v.level_left = v.level_right = v.ramp_left_target = v.ramp_right_target = level;
        v.cur_left = v.cur_right = level * 256;
        return v;
    }
    // Mixes `frames` frames of the voices into a zeroed span and returns the left channel.
    std::vector<float> mix_left(int frames) {
        std::vector<float> span(2 * size_t(frames), 0.0f), left;
        mix_voices(span.data(), frames);
        for (int k = 0; k < frames; ++k) left.push_back(span[2 * k]);
        return left;
    }
};

// A step longer than the loop, forward or ping-pong, keeps the position between the loop ends (the
// real songs' hashes pin the plain wrap).
TEST_F(MixerTest, ALongStepStaysInsideTheLoop) {
    struct Case { uint8_t type; uint32_t start, length; uint64_t step; int lowest, highest; };
    for (Case c : {Case{LOOP_FORWARD, 40, 3, 37 * ONE + 0x12345678, 40, 42}, Case{LOOP_PINGPONG, 30, 2, 7 * ONE + 0x9000000, 29, 31}}) {
        TestSample t(64, c.type, c.start, c.length);
        Voice& w = steady_voice(&t.header, 100, c.step);
        for (int block = 0; block < 20; ++block) {
            mix_left(884);
            ASSERT_TRUE(w.pos >= c.lowest && w.pos <= c.highest) << int{c.type} << ": " << w.pos;
        }
    }
}

TEST_F(MixerTest, PingPongTurnsAtExactlyLoopEndAndAtFrameZero) {
    TestSample s(200, LOOP_PINGPONG, 100, 50);
    Voice& v = steady_voice(&s.header, 255, ONE);
    v.pos = 140;
    mix_left(10);  // reaches 150.0 exactly
    EXPECT_EQ((std::vector<int64_t>{v.direction, v.pos, v.pos_frac}), (std::vector<int64_t>{2, 149, 0xFFFFFFFF}));
    // 149.999... blends frame 149 with the guard copy of it after the loop end; 148.999... is
    // next to frame 149, 147.999... next to frame 148.
    const std::vector<float> back = mix_left(3);
    EXPECT_EQ(v.pos, 146);
    EXPECT_EQ(back, (std::vector<float>{1490.0f * UNIT_GAIN, 1490.0f * UNIT_GAIN, 1480.0f * UNIT_GAIN}));
    TestSample at_zero(64, LOOP_PINGPONG, 0, 50);
    Voice& w = steady_voice(&at_zero.header, 255, ONE);
    w.pos = 10;
    w.direction = 2;
    mix_left(10);  // reaches 0.0 exactly moving backward, reading nothing before the data
    EXPECT_EQ((std::vector<int64_t>{w.direction, w.pos, w.pos_frac}), (std::vector<int64_t>{1, 0, 0}));
}

TEST_F(MixerTest, NonLoopedVoiceStopsAfterTheLastFrameBeforeItsEnd) {
    // Step 1.5 hears positions 0, 1.5, ..., 99.0: 67 frames. A sample of more than 2^24 frames
    // at step 30000 is heard for 560 frames; a halted voice counts with a stand-in step of
    // 0x017C6F8C, so 1 frame away takes 173 frames.
    struct Case { uint32_t length; uint64_t step; int heard, pos; };
    for (Case c : {Case{100, ONE, 100, 0}, Case{100, ONE + ONE / 2, 67, 0},
                   Case{(1u << 24) + 1000, 30000 * ONE, 560, 0}, Case{2, 0, 173, 1}}) {
        TestSample s(c.length, LOOP_NONE, 0, 0, true);
        Voice& v = steady_voice(&s.header, 255, c.step);
        v.pos = c.pos;
        const std::vector<float> left = mix_left(884);
        EXPECT_EQ(v.sample, nullptr) << c.length;
        EXPECT_NEAR(left[c.heard - 1], 10000.0f * UNIT_GAIN, 0.01f) << c.length;
        for (int k = c.heard; k < 884; ++k) ASSERT_EQ(left[k], 0.0f) << c.length << " frame " << k;
    }
    TestSample s(100, LOOP_FORWARD, 10, 20, true);
    SampleHeader no_frames = {};  // what a missing sample plays
    for (SampleHeader* sample : {&no_frames, &s.header}) {
        Voice& v = steady_voice(sample, 255, ONE);
        v.pos = sample == &no_frames ? 0 : 5000;  // no frames or outside the sample: silent
        EXPECT_EQ(mix_left(64), std::vector<float>(64, 0.0f));
        EXPECT_EQ(v.sample, nullptr);
    }
}

// A drop to 0 fades out over 128 frames across a loop wrap while the voice runs on (the real songs'
// hashes pin the shape of the rise after a trigger, across calls too). Twins above 63 are not mixed, and no
// frames mix nothing.
TEST_F(MixerTest, LevelChangesRampOver128FramesWithoutAClickAcrossLoops) {
    TestSample s(90, LOOP_FORWARD, 10, 37, true);
    Voice& v = steady_voice(&s.header, 255, ONE);
    v.cur_left = v.cur_right = 0;
    mix_left(300);
    EXPECT_EQ(v.cur_left, 255 * 256);  // a rise from silence ends exactly on the level
    steady_voice(&s.header, 255, ONE).level_left = 0;
    voices[64] = v;
    float none[2] = {1.0f, 1.0f};
    mix_voices(none, 0);
    mix_voices(none, -5);
    const std::vector<float> fall = mix_left(200);
    EXPECT_EQ(none[0], 1.0f);
    for (int k = 0; k < 200; ++k) ASSERT_NEAR(fall[k], 10000.0f * float(std::max(128 - k, 0)) / 128.0f, 0.5f) << k;
    EXPECT_EQ((std::vector<int>{v.pos, voices[64].pos}), (std::vector<int>{15, 0}));  // 10 + (200 - 47) % 37
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
