// Audio output: the block ring, block rendering and the software mixer. The renderer needs no
// device or thread, so an offline render runs exactly the code the device hears.
#pragma once

#include <cstdint>

#include "player/player.h"

#pragma pack(push, 1)
struct BlockStamp {
    uint8_t order;
    uint8_t row;
    int32_t time;  // the Song's time_ms at the end of the block
};
#pragma pack(pop)
static_assert(sizeof(BlockStamp) == 6);

// ---- Ring quantities (derived by playback_prepare) --------------------------------------------
extern int32_t buffer_ms;
extern int32_t block_frames;
extern int32_t ring_frames;
extern int32_t block_count;
extern float frame_ms_factor;
extern int32_t ramp_frames;
extern float ramp_step;

extern int16_t* wave_buffer;      // ring_frames stereo 16-bit frames
extern float* mix_buffer;         // ring_frames stereo float frames (16-byte aligned)
extern BlockStamp* block_stamps;  // block_count stamps
extern int32_t write_block;
extern int32_t clock_block;
extern Song* playing_song;

// Derives the ring quantities, resets the voices, the Song's playback fields and its channels,
// and allocates the ring, the mix buffer and the stamps: everything music_play does short of the
// device and the thread. False for a null Song or when memory runs out.
bool playback_prepare(Song* song);
// Frees what playback_prepare allocated; playing_song becomes null.
void playback_release();

void render_next_block();
void mix_voices(float* span, int frames);
void float_to_pcm16(int16_t* destination, const float* source, int frames);

// The music clock: the stamp of block clock_block, 0 without a Song or a ring.
int32_t music_time_ms(Song* song);
