// Playback through the audio device: the ring, rendered ahead, loops on the device, and the
// mixing thread re-renders every block the play cursor has left, so the ring always holds about
// one ring length of sound ahead of what is heard. Two shared flags coordinate start and stop;
// the device's own lock keeps it from reading a block while it is written.
#include <atomic>

#include "audio/audio.h"
#include "audio/play_start.h"
#include "platform/platform.h"

static std::atomic<bool> stop_request{false};
static std::atomic<bool> thread_finished{true};
static ThreadHandle mixer_thread_handle = nullptr;

static const uint32_t poll_ms = 5;
static const uint32_t stop_poll_ms = 10;

bool music_silent() { return wave_out_silent(); }

// Polls the play cursor and renders every block between the last one rendered and the block
// being played. The block under the cursor is never touched, so afterwards write_block =
// clock_block = the play block, whose stamp (written one ring ago) is the time at its end.
static int mixer_thread() {
    thread_finished = false;
    while (!stop_request) {
        // A position the device cannot give this time leaves the cursor where the last good one
        // put it: nothing is rendered until the next poll.
        uint32_t bytes = 0;
        int32_t play_block = wave_out_position(&bytes) ? play_cursor_follow(bytes) : write_block;
        // The block is normally one the device has left. A thread stalled for longer than the
        // ring finds the device come round to it again, so the device waits while it is written
        // (a block renders in well under a millisecond).
        render_blocks_to(play_block, wave_out_lock, wave_out_unlock);
        thread_sleep_ms(poll_ms);
    }
    thread_finished = true;
    return 0;
}

bool music_play(Song* song) {
    if (!play_begin(song)) return false;
    if (!wave_out_open(mix_rate)) {
        playback_release();
        return play_failed(platform_error());
    }
    if (wave_out_silent()) keep_reason(platform_error());
    for (int32_t block = 0; block < block_count; ++block) render_next_block();
    clock_block_set(0);
    wave_out_write(wave_buffer, static_cast<uint32_t>(ring_frames) * 4);
    playback_stop = music_stop;
    stop_request = false;
    // Cleared before the thread exists, so that a stop issued before the thread's first step
    // still waits for it.
    thread_finished = false;
    mixer_thread_handle = thread_start_time_critical("quadrise-mixer", mixer_thread);
    if (!mixer_thread_handle) {
        thread_finished = true;
        music_stop(song);
        return play_failed("cannot start the mixing thread");
    }
    return true;
}

bool music_stop(Song* song) {
    if (!song) return false;
    stop_request = true;
    if (mixer_thread_handle) {
        // The thread finishes only between blocks, so once it has, no block is being written.
        while (!thread_finished) thread_sleep_ms(stop_poll_ms);
        // Joined, not just forgotten, so the thread's resources go back as well.
        thread_join(mixer_thread_handle);
        mixer_thread_handle = nullptr;
    }
    // The device lets go of the ring before the ring is freed.
    wave_out_reset();
    playback_release();
    wave_out_close();
    return true;
}
