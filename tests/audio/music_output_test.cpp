// Playback through the audio device (SDL's dummy driver, which plays in real time into nothing):
// the music clock, start and stop, the play cursor across the wrap of the device's byte count.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "audio/audio.h"
#include "platform/platform.h"
#include "tests/support/modules.h"

namespace {

class MusicOutput : public ::testing::Test {
protected:
    Song* song = nullptr;
    void SetUp() override {
        song = load_module(xm_basic_module(4));
        ASSERT_NE(song, nullptr);
    }
    void TearDown() override {
        music_free(song);
    }
};

// The music time at the end of each of the first `blocks` blocks, rendered offline.
std::vector<int32_t> block_end_times(Song* song, int blocks) {
    std::vector<int32_t> times;
    if (!playback_prepare(song)) return times;
    for (int b = 0; b < blocks; ++b) {
        render_next_block();
        times.push_back(song->time_ms);
    }
    playback_release();
    return times;
}

TEST_F(MusicOutput, ClockIsTheFirstBlocksStampRightAfterPlayAndZeroWithoutPlayback) {
    EXPECT_EQ((std::vector<int32_t>{music_time_ms(song), music_time_ms(nullptr)}), (std::vector<int32_t>{0, 0}));
    const int32_t first_block_end = block_end_times(song, 1).at(0);
    ASSERT_TRUE(music_play(song));
    EXPECT_GT(first_block_end, 0);
    EXPECT_EQ(music_time_ms(song), first_block_end);
    EXPECT_EQ(music_time_ms(nullptr), 0);
    EXPECT_TRUE(music_play(song));  // playing again starts from the beginning
    EXPECT_EQ(music_time_ms(song), first_block_end);
    EXPECT_FALSE(music_stop(nullptr));
    EXPECT_EQ(playing_song, song);  // a null Song stops nothing
    for (int stop = 0; stop < 2; ++stop) {  // the second stop finds nothing and is harmless
        EXPECT_TRUE(music_stop(song));
        EXPECT_TRUE(music_time_ms(song) == 0 && playing_song == nullptr && wave_buffer == nullptr);
    }
    EXPECT_FALSE(music_play(nullptr));
}

TEST_F(MusicOutput, PlayRefusesWithoutStreamCallbacksOrDeviceAndLeavesNothingOpen) {
    struct Case {
        const char* driver;
        bool callbacks;
        const char* reason;
    };
    for (const Case& c : {Case{"dummy", false, "callbacks"}, Case{"no-such-driver", true, "audio device"}}) {
        SCOPED_TRACE(c.driver);
        setenv("SDL_AUDIODRIVER", c.driver, 1);
        if (!c.callbacks) music_set_file_callbacks(resource_open, nullptr, resource_read, resource_seek, resource_tell);
        EXPECT_FALSE(music_play(song));
        EXPECT_NE(std::string(music_play_error()).find(c.reason), std::string::npos) << music_play_error();
        EXPECT_TRUE(playing_song == nullptr && wave_buffer == nullptr && music_time_ms(song) == 0);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        EXPECT_TRUE(wave_out_open(44100)) << platform_error();  // no device was left open
        wave_out_close();
        music_set_file_callbacks(resource_open, resource_close, resource_read, resource_seek, resource_tell);
    }
}

// SDL keeps at most 16 devices open, so a stop that did not close the device fails the 17th play.
// Run under LeakSanitizer, the cycles also show that every play's buffers and thread go back.
TEST_F(MusicOutput, TwoHundredPlayStopCyclesEachReleaseTheDeviceAndTheThread) {
    for (int cycle = 0; cycle < 200; ++cycle) {
        ASSERT_TRUE(music_play(song)) << "cycle " << cycle << ": " << music_play_error();
        ASSERT_GT(music_time_ms(song), 0);
        ASSERT_TRUE(music_stop(song));
    }
    ASSERT_TRUE(music_play(song));
    thread_sleep_ms(30);
    EXPECT_TRUE(music_free(song));  // freeing a playing Song stops the thread and the device first
    EXPECT_TRUE(playing_song == nullptr && wave_out_position() == 0);
    song = nullptr;
}

// Readings of the device's byte count, each a step on from the last, starting from `start`; the
// play block must be the one a 64-bit count of the same bytes gives.
TEST_F(MusicOutput, PlayCursorFollowsTheByteCountAcrossItsWrapAt2To32) {
    struct Case {
        uint64_t start;
        uint32_t step;
        int readings;
    };
    const Case cases[] = {
        {0, 2048, 2000},                         // the dummy device's pace, over two loops of the ring
        {(uint64_t{1} << 32) - 353600 * 3, 2048, 2000},  // across the wrap
        {(uint64_t{1} << 32) - 6, 4, 4},         // a reading exactly at the wrap
        {(uint64_t{1} << 32) - 1000, 353600 + 4, 5},  // steps of a whole ring and a frame
        {0, 1026, 2000},                         // counts that are not whole frames
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.start);
        ASSERT_TRUE(playback_prepare(song));
        // Bring the cursor to the case's start by readings 2^30 bytes apart.
        for (uint64_t total = 0; total < c.start; total += std::min<uint64_t>(c.start - total, 1u << 30)) {
            play_cursor_follow(uint32_t(total));
        }
        uint64_t total = 0;
        for (int r = 0; r < c.readings; ++r, total += c.step) {
            const uint64_t counted = c.start + total;
            const int32_t expected = int32_t((counted / 4) % uint64_t(ring_frames) / uint64_t(block_frames));
            ASSERT_EQ(play_cursor_follow(uint32_t(counted)), expected) << "reading " << r;
        }
    }
}

// Sampled during playback, the clock is never ahead of the audio handed to the device and at most
// one block behind it: the time at the end of the block before the one being handed over.
TEST_F(MusicOutput, ClockStaysWithinOneBlockOfTheAudioHandedToTheDevice) {
    const std::vector<int32_t> end_time = block_end_times(song, 300);
    ASSERT_TRUE(music_play(song));
    const uint32_t ring_bytes = uint32_t(ring_frames) * 4;
    int samples = 0;
    for (uint32_t after = 0; after < ring_bytes + ring_bytes / 4; ++samples) {
        const uint32_t before = wave_out_position();
        const int32_t clock = music_time_ms(song);
        after = wave_out_position();
        const uint32_t first = before / 4 / uint32_t(block_frames), last = after / 4 / uint32_t(block_frames);
        ASSERT_LT(last, end_time.size());
        ASSERT_GE(clock, end_time[first == 0 ? 0 : first - 1]) << "bytes " << before;
        ASSERT_LE(clock, end_time[last]) << "bytes " << after;
        thread_sleep_ms(1);
    }
    EXPECT_GT(samples, 500);
}

}  // namespace
