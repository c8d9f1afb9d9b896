// Audio output: the block ring, block rendering and the software mixer, and playback through the
// audio device. The renderer needs no device or thread, so an offline render runs exactly the code
// the device hears; only music_play and music_stop (library audio_output) use the platform layer.
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

// Derives the ring quantities, resets the voices, the Song's playback fields and its channels,
// and allocates the ring, the mix buffer and the stamps: everything music_play does short of the
// device and the thread. False for a null Song or when memory runs out.
bool playback_prepare(Song* song);
// Frees what playback_prepare allocated; playing_song becomes null.
void playback_release();

void render_next_block();
void mix_voices(float* span, int frames);
void float_to_pcm16(int16_t* destination, const float* source, int frames);

// The music clock: the time block clock_block's stamp held when the clock moved there (see
// clock_block_set); 0 without a Song or a ring. Safe to read on any thread during playback.
int32_t music_time_ms(Song* song);
// Moves the music clock to `block` (clock_block = block) and publishes its stamp's time as one
// atomic value: a reader never sees a stamp while the mixing thread rewrites it.
void clock_block_set(int32_t block);

// One pass of the mixing thread once the play cursor is in `play_block`: renders every block from
// write_block up to it, the clock following one block per block rendered, so that afterwards
// write_block = clock_block = play_block. The block under the cursor is never touched. `lock` and
// `unlock`, where given, bracket each block's render (the device's lock).
void render_blocks_to(int32_t play_block, void (*lock)(), void (*unlock)());

// Follows the play cursor from the device's running byte count (which wraps at 2^32) and returns
// the block of the ring it is in. Starts at frame 0 and count 0 with every playback_prepare.
int32_t play_cursor_follow(uint32_t bytes);

// ---- Playback through the audio device (library audio_output) ----------------------------------
// Starts playing a loaded Song from its beginning: resets its playback, opens the device, renders
// the whole ring ahead, loops it on the device and starts the mixing thread at the highest
// priority granted. Stops any earlier playback first. Where no audio device opens, the Song plays
// on the silent device: nothing is heard, but the clock runs as if it were (music_silent() says
// so, music_play_error() why). False for a null Song, unregistered stream callbacks, a device
// that is open already or a thread that cannot start; music_play_error() then says why, and
// nothing stays open.
bool music_play(Song* song);
// Stops the mixing thread, resets and closes the device and frees the ring. False (and nothing
// done) for a null Song; harmless when nothing plays.
bool music_stop(Song* song);
// Why the last music_play failed or plays in silence, as one line; empty when it plays aloud.
const char* music_play_error();
// True while the music plays on the silent device, no audio device having opened.
bool music_silent();
