// Block rendering on a hand-built Song: tick timing, the music clock, stamps and the playback
// reset. What the blocks of the ring hold is pinned on the real songs by the engine tests' hashes.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "tests/support/modules.h"

namespace {

int ticks;

void count_tick(Song* song) {
    ++ticks;
    song->row = ticks;
    song->order_pos = 256 + ticks;
}

class BlockRenderTest : public ::testing::Test {
protected:
    Song song{};

    void SetUp() override {
        ticks = 0;
        song.default_bpm = 130;  // 848 frames per tick at 44100 Hz
        song.default_tempo = 6;
        song.initial_global_volume = 64;
        song.channel_count = 4;
        song.tick_callback = count_tick;
    }
    void TearDown() override {
        playback_release();  // after the test's own release too: a second one is harmless
        mix_rate = 44100;
    }
};

TEST_F(BlockRenderTest, PrepareDerivesTheRingFromTheMixRate) {
    EXPECT_FALSE(playback_prepare(nullptr));
    // 20 ms blocks raised to a multiple of 4, a ring of 100 blocks, a ramp of 128 frames at 44100 Hz.
    mix_rate = 48000;
    song.next_order = 3;  // a jump still pending from the last play is dropped
    ASSERT_TRUE(playback_prepare(&song));
    EXPECT_EQ((std::vector<int64_t>{block_frames, ring_frames, block_count, ramp_frames, song.next_order, voices[7].index}),
              (std::vector<int64_t>{960, 96000, 100, 139, -1, 7}));
    EXPECT_TRUE(playing_song == &song && reinterpret_cast<uintptr_t>(mix_buffer) % 16 == 0);
}

TEST_F(BlockRenderTest, TicksFallEvery848FramesAndTheStampsCarryTheClockOrderAndRow) {
    render_next_block();  // nothing runs without playback
    EXPECT_EQ((std::vector<int>{write_block, ticks, music_time_ms(&song)}), (std::vector<int>{0, 0, 0}));
    ASSERT_TRUE(playback_prepare(&song));
    for (int b = 0; b < block_count; ++b) render_next_block();
    // Ticks at frames 0, 848, ..., 88192: 105, with 640 frames of the last left. Pieces 848 (19.2 ms)
    // + 36 (0.8 ms), 812 (18.4) + 72 (1.6), 776 (17.6) + 108 (2.4); the low bits of order_pos 258 and
    // row 2 after the first block's two ticks.
    EXPECT_EQ((std::vector<int>{ticks, song.tick_frames_left, block_stamps[0].time, block_stamps[1].time,
                                block_stamps[2].time, block_stamps[0].order, block_stamps[0].row, block_stamps[1].row}),
              (std::vector<int>{105, 640, 19, 38, 57, 2, 2, 3}));
    EXPECT_EQ((std::vector<int>{music_time_ms(nullptr), music_time_ms(&song)}), (std::vector<int>{0, 0}));
    clock_block_set(2);
    EXPECT_EQ((std::vector<int>{music_time_ms(&song), clock_block}), (std::vector<int>{57, 2}));
    block_stamps[2].time = 99;  // the clock keeps the time it was moved to
    EXPECT_EQ(music_time_ms(&song), 57);
    playback_release();
    EXPECT_EQ((std::vector<int>{music_time_ms(&song), clock_block}), (std::vector<int>{0, 0}));
}

// A tick length changed by a tick applies to that tick: the real songs' hashes pin it.
TEST_F(BlockRenderTest, TicksShorterThanAFrameAdvance) {
    ASSERT_TRUE(playback_prepare(&song));
    song.tick_frames = 0;
    render_next_block();
    EXPECT_EQ((std::vector<int>{ticks, write_block}), (std::vector<int>{884, 1}));
}

}  // namespace
