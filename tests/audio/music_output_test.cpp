// Playback through the audio device with SDL's dummy driver (real time, into nothing) and on the
// silent device that stands in for a missing one: the music clock, start and stop, the play
// cursor across the wrap of the device's byte count and through a failed position query.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "audio/audio.h"
#include "platform/platform.h"
#include "tests/support/calloc_failure/calloc_failure.h"
#include "tests/support/modules.h"

namespace {

class MusicOutput : public ::testing::Test {
protected:
    Song* song = load_module(xm_basic_module(4));
    void SetUp() override { ASSERT_NE(song, nullptr); }
    void TearDown() override { music_free(song); }
};

// The device's position query as the mixing thread sees it (the binary is linked with
// -Wl,--wrap for it): it fails once when a test asks. The tests read the device's own count.
std::atomic<bool> position_fails{false};
extern "C" bool __real__Z17wave_out_positionPj(uint32_t* bytes);
extern "C" bool __wrap__Z17wave_out_positionPj(uint32_t* bytes) {
    return !position_fails.exchange(false) && __real__Z17wave_out_positionPj(bytes);
}
uint32_t device_bytes() {
    uint32_t bytes = 0;
    EXPECT_TRUE(__real__Z17wave_out_positionPj(&bytes));
    return bytes;
}

// The music time at the end of each of the first `blocks` blocks, rendered offline.
std::vector<int32_t> block_end_times(Song* song, int blocks) {
    std::vector<int32_t> times;
    for (playback_prepare(song); int(times.size()) < blocks; times.push_back(song->time_ms)) render_next_block();
    playback_release();
    return times;
}

// Right after play the clock reads the first block's stamp, unless this thread stalled long enough
// for the device to take a few more blocks (up to ten are allowed for a loaded machine).
TEST_F(MusicOutput, ClockStartsAtTheFirstBlocksStampRightAfterPlayAndIsZeroWithoutPlayback) {
    const std::vector<int32_t> end_time = block_end_times(song, 10);
    EXPECT_TRUE(end_time[0] > 0 && music_time_ms(song) == 0 && !music_play(nullptr));
    for (int play = 0; play < 2; ++play) {  // playing again starts from the beginning
        ASSERT_TRUE(music_play(song));
        const int32_t clock = music_time_ms(song);
        EXPECT_TRUE(clock >= end_time[0] && clock <= end_time[9]) << clock;
        EXPECT_EQ(music_time_ms(nullptr), 0);
    }
    EXPECT_TRUE(!music_stop(nullptr) && playing_song == song);  // a null Song stops nothing
    EXPECT_TRUE(music_free(load_module(xm_basic_module(2))));  // nor does freeing another Song
    EXPECT_TRUE(playing_song == song && music_time_ms(song) > 0);
    for (int stop = 0; stop < 2; ++stop) {  // the second stop finds nothing and is harmless
        EXPECT_TRUE(music_stop(song));
        EXPECT_TRUE(music_time_ms(song) == 0 && playing_song == nullptr && wave_buffer == nullptr);
    }
}

// A device, real or silent, opens afterwards: none was left open.
void expect_nothing_left_open(Song* song) {
    EXPECT_TRUE(playing_song == nullptr && wave_buffer == nullptr && music_time_ms(song) == 0 && !music_silent());
    EXPECT_TRUE(wave_out_open(44100)) << platform_error();
    wave_out_close();
}

// Without a device the music plays on the silent device, which takes the ring as SDL's devices
// do, 512 frames at a time, at the pace of the monotonic clock: the clock follows it as it would
// a device that is heard, and why nothing is heard is kept. Stopping closes it.
TEST_F(MusicOutput, WithoutADeviceTheMusicPlaysSilentlyAtADevicesPace) {
    using Clock = std::chrono::steady_clock;
    const std::vector<int32_t> end_time = block_end_times(song, 300);
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    ASSERT_TRUE(music_play(song)) << music_play_error();
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    EXPECT_TRUE(music_silent());
    EXPECT_NE(std::string(music_play_error()).find("cannot open the audio device"), std::string::npos) << music_play_error();
    const Clock::time_point first_asked = Clock::now();
    const uint32_t first = device_bytes();
    const Clock::time_point first_told = Clock::now();
    thread_sleep_ms(500);
    const Clock::time_point last_asked = Clock::now();
    const uint32_t last = device_bytes();
    const int32_t clock = music_time_ms(song);
    const uint32_t after = device_bytes();
    const Clock::time_point last_told = Clock::now();
    // Between the readings it takes the frames of the time between them, give or take the chunk
    // it rounds to and a little for two clocks' rates.
    const auto frames_in = [](Clock::duration span) { return std::chrono::duration<double>(span).count() * 44100; };
    EXPECT_GT((last - first) / 4, frames_in(last_asked - first_told) - 512 - 64);
    EXPECT_LT((after - first) / 4, frames_in(last_told - first_asked) + 512 + 64);
    EXPECT_TRUE(first % 2048 == 0 && last % 2048 == 0) << first << " " << last;
    ASSERT_LT(after / 4 / 884, end_time.size());
    const uint32_t before = last / 4 / 884;
    EXPECT_TRUE(clock >= end_time[before == 0 ? 0 : before - 1] && clock <= end_time[after / 4 / 884]) << clock;
    EXPECT_TRUE(music_stop(song));
    expect_nothing_left_open(song);
}

// SDL keeps at most 16 devices open, so a stop that did not close the device fails the 17th play;
// under LeakSanitizer the cycles also show that every play's buffers and thread go back.
TEST_F(MusicOutput, TwentyPlayStopCyclesEachReleaseTheDeviceAndTheThread) {
    for (int cycle = 0; cycle < 20; ++cycle) {
        ASSERT_TRUE(music_play(song) && !music_silent()) << "cycle " << cycle << ": " << music_play_error();
        ASSERT_GT(music_time_ms(song), 0);
        ASSERT_TRUE(music_stop(song));
    }
    ASSERT_TRUE(music_play(song));
    thread_sleep_ms(30);
    EXPECT_TRUE(music_free(song));  // freeing a playing Song stops the thread and the device first
    uint32_t bytes = 0;
    EXPECT_TRUE(playing_song == nullptr && !wave_out_position(&bytes));
    song = nullptr;
}

// Readings of the byte count `step` bytes apart from `start` give the block a 64-bit count would.
TEST_F(MusicOutput, PlayCursorFollowsTheByteCountAcrossItsWrapAt2To32) {
    const uint64_t wrap = uint64_t{1} << 32, ring_bytes = 88400 * 4;
    const struct { uint64_t start; uint32_t step; int readings; } cases[] = {
        {0, 2048, 2000},                     // the dummy device's pace, over two loops of the ring
        {wrap - 3 * ring_bytes, 2048, 2000}, // across the wrap
        {wrap - 6, 4, 4},                    // counts that are not whole frames, at the wrap
        {0, 2, 4000},                        // half a frame at a time: the halves add up
        {wrap - 1000, ring_bytes + 4, 5},    // a whole ring and a frame between readings
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.start);
        ASSERT_TRUE(playback_prepare(song));
        for (uint64_t counted = 0; counted < c.start; counted += std::min<uint64_t>(c.start - counted, 1u << 30))
            play_cursor_follow(uint32_t(counted));
        for (uint64_t counted = c.start; counted < c.start + uint64_t(c.step) * c.readings; counted += c.step) {
            ASSERT_EQ(play_cursor_follow(uint32_t(counted)), int32_t(counted / 4 % 88400 / 884)) << counted;
        }
    }
}

// Sampled during playback, the clock is never ahead of the audio handed to the device, never runs
// back, and stays within one block behind it: the time at the end of the block before the one
// being handed over. A loaded machine may keep the mixing thread from its 5 ms poll for longer than
// a block; the clock must then catch up within a quarter of a second, which a cursor that a failed
// position query moved somewhere else never does.
TEST_F(MusicOutput, ClockStaysWithinOneBlockOfTheAudioHandedToTheDeviceThroughAFailedQuery) {
    using Clock = std::chrono::steady_clock;
    const std::vector<int32_t> end_time = block_end_times(song, 300);
    ASSERT_TRUE(music_play(song));
    int samples = 0, late_samples = 0;
    int32_t last_clock = 0;
    Clock::time_point late_since{};
    for (uint32_t after = 0; after < 88400 * 5 / 4; ++samples, thread_sleep_ms(1)) {  // 1.25 loops
        if (samples == 100) position_fails = true;
        const uint32_t before = device_bytes() / 4 / 884;
        const int32_t clock = music_time_ms(song);
        after = device_bytes() / 4;
        ASSERT_LT(after / 884, end_time.size());
        ASSERT_LE(clock, end_time[after / 884]) << "block " << after / 884;
        ASSERT_GE(clock, last_clock);
        last_clock = clock;
        if (clock >= end_time[before == 0 ? 0 : before - 1]) {
            late_since = {};
            continue;
        }
        ++late_samples;
        if (late_since == Clock::time_point{}) late_since = Clock::now();
        ASSERT_LT(Clock::now() - late_since, std::chrono::milliseconds(250)) << "block " << before << ", clock " << clock;
    }
    EXPECT_GT(samples, 500);
    EXPECT_LT(late_samples, samples / 10);
    EXPECT_FALSE(position_fails) << "the mixing thread asked for no position";
}

// A play without stream callbacks, or with memory running out at each of its allocations (the
// three ring buffers, then the mixing thread's record, which is a thread that cannot start), is
// refused with the reason; the device is closed again and nothing leaks (LeakSanitizer); the next
// play starts.
TEST_F(MusicOutput, EachRefusedPlayLeavesNothingOpen) {
    music_set_file_callbacks(resource_open, nullptr, resource_read, resource_seek, resource_tell);
    EXPECT_FALSE(music_play(song));
    std::vector<std::string> reasons = {music_play_error()};
    music_set_file_callbacks(resource_open, resource_close, resource_read, resource_seek, resource_tell);
    int64_t failures = each_allocation_failing([&] {
        if (!music_play(song)) reasons.push_back(music_play_error());
        EXPECT_TRUE(music_stop(song));
    });
    EXPECT_EQ(failures, 4);
    ASSERT_EQ(reasons.size(), 5u);
    EXPECT_NE(reasons[0].find("callbacks"), std::string::npos) << reasons[0];
    for (int k = 1; k < 4; ++k) EXPECT_EQ(reasons[size_t(k)], "out of memory for the block ring");
    EXPECT_EQ(reasons[4], "cannot start the mixing thread");
    expect_nothing_left_open(song);
    ASSERT_TRUE(music_play(song)) << music_play_error();
    EXPECT_GT(music_time_ms(song), 0);
}

// Once the mixing thread has started, its next tick sleeps for 2.5 s, longer than the 2 s ring.
std::atomic<bool> stall_armed{false};
void stalling_tick(Song* song) {
    if (stall_armed.exchange(false)) thread_sleep_ms(2500);
    song_tick(song);
}

// A mixing thread stalled past the ring: the device loops over what the ring holds, the clock
// never runs backwards, and once the thread is back playback goes on at its pace.
TEST_F(MusicOutput, AStallLongerThanTheRingNeverTurnsTheClockBack) {
    song->tick_callback = stalling_tick;
    ASSERT_TRUE(music_play(song));
    stall_armed = true;
    int32_t last = music_time_ms(song), a_second_before_the_end = 0;
    for (int sample = 0; sample < 900; ++sample, thread_sleep_ms(5)) {  // at least 4.5 s
        const int32_t clock = music_time_ms(song);
        ASSERT_GE(clock, last) << "sample " << sample;
        last = clock;
        if (sample == 700) a_second_before_the_end = clock;
    }
    EXPECT_FALSE(stall_armed);
    EXPECT_GT(last - a_second_before_the_end, 300) << "playback did not go on after the stall";
}

}  // namespace
