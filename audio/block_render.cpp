// Block rendering: one block of the ring, mixed in pieces that end at tick boundaries, with the
// Song's tick callback run at each boundary and the music clock advanced per piece.
#include <cstdint>
#include <cstring>

#include "audio/audio.h"

// Mixes one piece of at most one tick and advances the music clock by it.
static void render_piece(Song* song, float* span, int32_t frames) {
    mix_voices(span, frames);
    // A clock that truncates per piece: it falls slightly behind the frames rendered.
    song->time_ms += static_cast<int32_t>(static_cast<float>(frames) * frame_ms_factor * 1000.0f);
}

static void stamp_block(const Song* song) {
    BlockStamp& stamp = block_stamps[write_block];
    stamp.order = static_cast<uint8_t>(song->order_pos);
    stamp.row = static_cast<uint8_t>(song->row);
    stamp.time = song->time_ms;
}

void render_next_block() {
    Song* song = playing_song;
    if (!song || !mix_buffer || !wave_buffer || !block_stamps) return;
    size_t first = static_cast<size_t>(write_block) * static_cast<size_t>(block_frames) * 2;
    float* span = mix_buffer + first;
    std::memset(span, 0, static_cast<size_t>(block_frames) * 2 * sizeof(float));
    int32_t left = song->tick_frames_left;
    int32_t done = 0;
    while (done < block_frames) {
        if (left <= 0) {
            if (song->tick_callback) song->tick_callback(song);
            // A tick shorter than one frame would never let the block advance.
            left = song->tick_frames > 0 ? song->tick_frames : 1;
        }
        int32_t n = left < block_frames - done ? left : block_frames - done;
        render_piece(song, span + 2 * done, n);
        done += n;
        left -= n;
    }
    stamp_block(song);
    song->tick_frames_left = left;
    float_to_pcm16(wave_buffer + first, span, block_frames);
    write_block = write_block + 1 < block_count ? write_block + 1 : 0;
}
