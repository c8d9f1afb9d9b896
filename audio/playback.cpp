// The block ring and the playback reset: the ring quantities, the buffers the renderer fills, the
// voice table, and the clock read from the stamp of the block being heard.
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "audio/audio.h"

static const int32_t buffer_ms = 1000;  // the ring's length of sound

int32_t block_frames;
int32_t ring_frames;
int32_t block_count;
float frame_ms_factor;
int32_t ramp_frames;
float ramp_step;

int16_t* wave_buffer;
float* mix_buffer;
BlockStamp* block_stamps;
int32_t write_block;
int32_t clock_block;

// The mix buffer as allocated; mix_buffer is its first 16-byte-aligned address.
static void* mix_allocation;

// The time of block_stamps[clock_block], published by the thread that moves clock_block. The
// main thread reads the clock from here, never from the ring: the block under the clock is the
// next one the mixing thread re-renders, and its new stamp holds the time one ring (about 2 s)
// later, which would let a scene start early.
static std::atomic<int32_t> clock_time{0};

// The play cursor as a frame of the ring, and the device's byte count it was last moved to.
static int32_t cursor_frame;
static uint32_t cursor_bytes;

// Offline playback holds nothing but the ring.
static bool release_ring(Song*) {
    playback_release();
    return true;
}

static void derive_ring_quantities() {
    frame_ms_factor = 1.0f / static_cast<float>(mix_rate);
    block_frames = (mix_rate * 20 / 1000 + 3) & ~3;
    ring_frames = (buffer_ms / 20) * block_frames * 2;
    block_count = ring_frames / block_frames;
    ramp_frames = mix_rate * 128 / 44100;
    ramp_step = 1.0f / static_cast<float>(ramp_frames);
}

static void reset_voices() {
    std::memset(voices, 0, sizeof voices);
    for (int32_t k = 0; k < VOICE_COUNT; ++k) {
        voices[k].index = k;
        voices[k].step = 1;
    }
}

static bool allocate_ring() {
    size_t frames = static_cast<size_t>(ring_frames);
    wave_buffer = static_cast<int16_t*>(std::calloc(frames, 4));
    mix_allocation = std::calloc(frames * 8 + 256, 1);
    block_stamps =
        static_cast<BlockStamp*>(std::calloc(static_cast<size_t>(block_count), sizeof(BlockStamp)));
    if (!wave_buffer || !mix_allocation || !block_stamps) return false;
    uintptr_t address = reinterpret_cast<uintptr_t>(mix_allocation);
    mix_buffer = reinterpret_cast<float*>((address + 15) & ~static_cast<uintptr_t>(15));
    return true;
}

bool playback_prepare(Song* song) {
    if (!song) return false;
    playback_release();
    derive_ring_quantities();
    reset_voices();
    song_rewind(song);
    cursor_frame = 0;
    cursor_bytes = 0;
    playing_song = song;
    playback_stop = release_ring;
    if (!allocate_ring()) {
        playback_release();
        return false;
    }
    return true;
}

void playback_release() {
    std::free(mix_allocation);
    mix_allocation = nullptr;
    mix_buffer = nullptr;
    std::free(wave_buffer);
    wave_buffer = nullptr;
    std::free(block_stamps);
    block_stamps = nullptr;
    playing_song = nullptr;
    write_block = 0;
    clock_block = 0;
    clock_time.store(0, std::memory_order_relaxed);
}

void clock_block_set(int32_t block) {
    if (!block_stamps || block < 0 || block >= block_count) return;
    clock_block = block;
    clock_time.store(block_stamps[block].time, std::memory_order_relaxed);
}

int32_t music_time_ms(Song* song) {
    if (!song || !block_stamps) return 0;
    return clock_time.load(std::memory_order_relaxed);
}

void render_blocks_to(int32_t play_block, void (*lock)(), void (*unlock)()) {
    // Without a Song or a ring no block would render and write_block would never arrive.
    if (!playing_song || !wave_buffer || !mix_buffer || !block_stamps) return;
    if (play_block < 0 || play_block >= block_count) return;
    while (write_block != play_block) {
        if (lock) lock();
        render_next_block();
        if (unlock) unlock();
        clock_block_set(clock_block + 1 < block_count ? clock_block + 1 : 0);
    }
}

int32_t play_cursor_follow(uint32_t bytes) {
    if (ring_frames <= 0 || block_frames <= 0) return 0;
    // The unsigned difference stays right where the count wraps at 2^32; whole frames only, so
    // a count that is not a multiple of 4 keeps its remainder for the next reading.
    uint32_t frames = (bytes - cursor_bytes) / 4;
    cursor_bytes += frames * 4;
    uint32_t ring = static_cast<uint32_t>(ring_frames);
    cursor_frame =
        static_cast<int32_t>((static_cast<uint32_t>(cursor_frame) + frames % ring) % ring);
    return cursor_frame / block_frames;
}
