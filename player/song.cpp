// The song model's shared records: the channel table the engine works on, the all-zero sample and
// instrument that missing or out-of-range references fall back to, the voices the engine hands to
// the mixer at its output rate, and the Song being played with the hook that stops it; and the
// Song's playback state put back at its start.
#include <cstring>

#include "player/engine.h"

ChannelState channels[MAX_CHANNELS];
SampleHeader dummy_sample;
Instrument dummy_instrument;

Voice voices[VOICE_COUNT];
int32_t mix_rate = 44100;

Song* playing_song = nullptr;
bool (*playback_stop)(Song* song) = nullptr;

void song_rewind(Song* song) {
    song->global_volume = song->initial_global_volume;
    song->next_order = -1;
    song->speed = song->default_tempo;
    song->next_row = -1;
    song->row = 0;
    song->order_pos = 0;
    song->tick_frames_left = 0;
    song->tick = 0;
    song->pattern_delay_ticks = 0;
    song->time_ms = 0;
    set_bpm(song, song->default_bpm);
    const int32_t count = song->channel_count < MAX_CHANNELS ? song->channel_count : MAX_CHANNELS;
    for (int32_t c = 0; c < count; ++c) {
        std::memset(&channels[c], 0, sizeof channels[c]);
        channels[c].voice = &voices[c];
    }
}

bool song_pattern_loop_active(const Song* song) {
    for (int32_t c = 0; c < song->channel_count && c < MAX_CHANNELS; ++c) {
        if (channels[c].loop_count != 0) return true;
    }
    return false;
}
