// Block rendering on a hand-built Song: tick timing, the music clock, stamps, the ring and the
// playback reset.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <tuple>
#include <vector>

#include "audio/audio.h"

namespace {

int ticks;
int ticks_in_block[200];
int32_t tick_length_after_first;  // tick_frames set by the first tick, 0 = leave it

void count_tick(Song* song) {
    ++ticks;
    ++ticks_in_block[write_block];
    song->row = ticks;
    song->order_pos = 256 + ticks;
    if (ticks == 1 && tick_length_after_first != 0) song->tick_frames = tick_length_after_first;
}

// Stamp fields by value: packed fields cannot be bound to the references EXPECT_EQ takes.
int32_t stamp_time(int block) { return block_stamps[block].time; }
int stamp_row(int block) { return block_stamps[block].row; }
int stamp_order(int block) { return block_stamps[block].order; }

class BlockRenderTest : public ::testing::Test {
protected:
    Song song{};
    std::vector<int16_t> frames = std::vector<int16_t>(1000 + 8, 10000);
    SampleHeader sample{};

    void SetUp() override {
        ticks = 0;
        std::memset(ticks_in_block, 0, sizeof ticks_in_block);
        tick_length_after_first = 0;
        song.default_bpm = 130;  // 848 frames per tick at 44100 Hz
        song.default_tempo = 6;
        song.initial_global_volume = 64;
        song.channel_count = 4;
        song.tick_callback = count_tick;
        sample.data = frames.data();
        sample.length = 1000;
        sample.loop_length = 1000;
        sample.loop_type = LOOP_FORWARD;
    }
    void TearDown() override {
        playback_release();
        mix_rate = 44100;
    }

    // Voice 0 at full level on the left only, already faded in.
    void play_constant_voice() {
        Voice& v = voices[0];
        v.sample = &sample;
        v.direction = 1;
        v.level_left = v.ramp_left_target = 255;
        v.cur_left = 255 * 256;
    }
};

TEST_F(BlockRenderTest, PrepareDerivesTheRingFromTheMixRateAndResetsPlayback) {
    EXPECT_FALSE(playback_prepare(nullptr));
    // 20 ms blocks raised to a multiple of 4, a ring of 100 blocks, a ramp of 128 frames at 44100 Hz.
    for (auto [rate, block, ramp] : {std::tuple{44100, 884, 128}, {48000, 960, 139}}) {
        mix_rate = rate;
        ASSERT_TRUE(playback_prepare(&song));
        EXPECT_EQ((std::vector<int64_t>{block_frames, ring_frames, block_count, ramp_frames}),
                  (std::vector<int64_t>{block, 100 * block, 100, ramp}))
            << rate;
    }
    mix_rate = 44100;
    song.time_ms = 1234, song.row = 5, song.order_pos = 3, song.tick_frames_left = 77;
    voices[7].sample = &sample;
    channels[2].volume = 40;
    ASSERT_TRUE(playback_prepare(&song));
    EXPECT_EQ(ramp_step, 1.0f / 128.0f);
    EXPECT_EQ(frame_ms_factor, 1.0f / 44100.0f);
    EXPECT_EQ((std::vector<int64_t>{song.tick_frames, song.time_ms, song.row, song.order_pos, song.tick_frames_left,
                                    song.next_row, song.next_order, song.speed, song.global_volume}),
              (std::vector<int64_t>{848, 0, 0, 0, 0, -1, -1, 6, 64}));
    EXPECT_EQ(voices[7].sample, nullptr);
    EXPECT_EQ(voices[7].index, 7);
    EXPECT_EQ(voices[255].step, 1);
    EXPECT_EQ(channels[2].volume, 0);
    EXPECT_EQ(channels[3].voice, &voices[3]);
    EXPECT_EQ(playing_song, &song);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(mix_buffer) % 16, 0u);
    EXPECT_EQ(write_block + clock_block, 0);
}

TEST_F(BlockRenderTest, TicksFallEvery848FramesNeverSkipped) {
    ASSERT_TRUE(playback_prepare(&song));
    for (int b = 0; b < block_count; ++b) {
        render_next_block();
        int64_t rendered = int64_t{884} * (b + 1);
        int64_t expected_ticks = (rendered + 847) / 848;  // ticks at frames 0, 848, 1696, ...
        ASSERT_EQ(ticks, expected_ticks) << "block " << b;
        ASSERT_EQ(song.tick_frames_left, expected_ticks * 848 - rendered) << "block " << b;
        ASSERT_GE(ticks_in_block[b], 1);
        ASSERT_LE(ticks_in_block[b], 2);
    }
    EXPECT_EQ(ticks_in_block[0], 2);  // frames 0 and 848
    EXPECT_EQ(ticks_in_block[1], 1);  // frame 1696
}

TEST_F(BlockRenderTest, ClockTruncatesEachPiece) {
    ASSERT_TRUE(playback_prepare(&song));
    // Pieces 848 (19.2 ms) + 36 (0.8 ms), 812 (18.4) + 72 (1.6), 776 (17.6) + 108 (2.4).
    for (int b = 0; b < 3; ++b) render_next_block();
    EXPECT_EQ((std::vector<int32_t>{stamp_time(0), stamp_time(1), stamp_time(2)}), (std::vector<int32_t>{19, 38, 57}));
    for (int b = 3; b < block_count; ++b) render_next_block();
    // 88400 frames are 2004.5 ms; each of the 205 pieces loses up to one millisecond.
    EXPECT_LT(song.time_ms, 2004);
    EXPECT_GT(song.time_ms, 2004 - 205);
    // Whole ticks per block: every piece is a full tick of 19 ms.
    ASSERT_TRUE(playback_prepare(&song));
    ticks = 0;
    block_frames = 848 * 3;
    ring_frames = block_frames * 2;
    block_count = 2;
    render_next_block();
    render_next_block();
    EXPECT_EQ(ticks, 6);
    EXPECT_EQ(song.time_ms, 6 * 19);
}

TEST_F(BlockRenderTest, TickLengthChangedByATickAppliesToThatTick) {
    tick_length_after_first = 100;
    ASSERT_TRUE(playback_prepare(&song));
    render_next_block();
    // The first tick read the new length on return: ticks at 0, 100, ..., 800.
    EXPECT_EQ(ticks, 9);
    EXPECT_EQ(song.tick_frames_left, 16);
}

TEST_F(BlockRenderTest, TickShorterThanAFrameStillAdvances) {
    ASSERT_TRUE(playback_prepare(&song));
    song.tick_frames = 0;
    song.tick_frames_left = 0;
    render_next_block();
    EXPECT_EQ(ticks, 884);
    EXPECT_EQ(write_block, 1);
}

TEST_F(BlockRenderTest, StampsCarryTheLowBitsOfOrderAndRow) {
    ASSERT_TRUE(playback_prepare(&song));
    render_next_block();
    EXPECT_EQ(ticks, 2);
    EXPECT_EQ(stamp_row(0), 2);
    EXPECT_EQ(stamp_order(0), 2);  // order_pos 258
    render_next_block();
    EXPECT_EQ(stamp_row(1), 3);
}

TEST_F(BlockRenderTest, BlocksLandInTheirPlaceOfTheRingAndWrap) {
    ASSERT_TRUE(playback_prepare(&song));
    play_constant_voice();
    for (int b = 0; b < block_count; ++b) render_next_block();
    EXPECT_EQ(write_block, 0);
    for (int b : {0, 1, 50, 99}) {
        const int16_t* block = wave_buffer + 2 * b * block_frames;
        EXPECT_EQ(block[0], 10000) << "block " << b;
        EXPECT_EQ(block[1], 0) << "block " << b;
        EXPECT_EQ(block[2 * block_frames - 2], 10000) << "block " << b;
    }
    // A second pass refills block 0 from a cleared span, not on top of the first.
    voices[0].level_left = voices[0].ramp_left_target = 128;
    voices[0].cur_left = 128 * 256;
    render_next_block();
    EXPECT_EQ(write_block, 1);
    EXPECT_EQ(wave_buffer[2 * 10], 5020);  // 10000 x 128/255
    EXPECT_EQ(wave_buffer[2 * block_frames], 10000);  // block 1 untouched
}

TEST_F(BlockRenderTest, MusicClockReadsTheStampOfTheClockBlockAndNothingRunsWithoutPlayback) {
    render_next_block();
    EXPECT_EQ(write_block, 0);
    EXPECT_EQ(ticks, 0);
    EXPECT_EQ(music_time_ms(&song), 0);  // no ring yet
    ASSERT_TRUE(playback_prepare(&song));
    EXPECT_EQ(music_time_ms(nullptr), 0);
    EXPECT_EQ(music_time_ms(&song), 0);
    for (int b = 0; b < 3; ++b) render_next_block();
    EXPECT_EQ(music_time_ms(&song), 19);
    clock_block = 2;
    EXPECT_EQ(music_time_ms(&song), 57);
    playback_release();
    EXPECT_EQ(music_time_ms(&song), 0);
    EXPECT_EQ(playing_song, nullptr);
    EXPECT_EQ(clock_block, 0);
    playback_release();  // a second release is harmless
}

}  // namespace
