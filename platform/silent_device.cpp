// The silent device: what wave-out plays on when no output device opens. It plays nothing, but
// takes the looping buffer as a device would, a chunk at a time at the rate it was opened with,
// by the backend's monotonic clock, so that whatever follows the play position (the music clock,
// the pictures) runs as if the sound were heard. It needs no thread: the position is worked out
// from the clock whenever it is asked for.
#include <mutex>

#include "platform/backend.h"

// Set on the thread that opens and closes the device, read on the one that asks for the position.
static std::mutex state_lock;
static int32_t silent_rate = 0;    // frames per second; 0 while the silent device is closed
static bool taking = false;        // between silent_write and silent_reset
static uint64_t taking_since = 0;  // clock ticks at silent_write

// The bytes taken `ticks` clock ticks after the device began: whole chunks only, as a device
// takes them, in a 32-bit count that wraps as a native device's counter does.
static uint32_t taken_bytes(uint64_t ticks) {
    const uint64_t per_second = clock_ticks_per_second();
    if (per_second == 0) return 0;
    const uint64_t rate = static_cast<uint64_t>(silent_rate);
    // Whole seconds and the rest apart, so that no product overflows however long it plays.
    const uint64_t frames = ticks / per_second * rate + ticks % per_second * rate / per_second;
    return static_cast<uint32_t>(frames / wave_out_chunk_frames * wave_out_chunk_frames * 4);
}

bool silent_open(int32_t rate) {
    if (rate <= 0) return platform_fail("cannot open the audio device", "the rate is not positive");
    std::lock_guard<std::mutex> hold(state_lock);
    silent_rate = rate;
    taking = false;
    return true;
}

bool wave_out_silent() {
    std::lock_guard<std::mutex> hold(state_lock);
    return silent_rate != 0;
}

void silent_write() {
    std::lock_guard<std::mutex> hold(state_lock);
    if (silent_rate == 0) return;
    taking = true;
    taking_since = clock_ticks();
}

bool silent_position(uint32_t* bytes) {
    std::lock_guard<std::mutex> hold(state_lock);
    if (silent_rate == 0) return false;
    *bytes = taking ? taken_bytes(clock_ticks() - taking_since) : 0;
    return true;
}

void silent_reset() {
    std::lock_guard<std::mutex> hold(state_lock);
    taking = false;
}

void silent_close() {
    std::lock_guard<std::mutex> hold(state_lock);
    taking = false;
    silent_rate = 0;
}
