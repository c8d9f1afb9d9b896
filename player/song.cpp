// The song model's shared records: the channel table the engine works on, the all-zero sample and
// instrument that missing or out-of-range references fall back to, the voices the engine hands to
// the mixer at its output rate, and the Song being played with the hook that stops it.
#include "player/engine.h"

ChannelState channels[MAX_CHANNELS];
SampleHeader dummy_sample;
Instrument dummy_instrument;

Voice voices[VOICE_COUNT];
int32_t mix_rate = 44100;

Song* playing_song = nullptr;
bool (*playback_stop)(Song* song) = nullptr;
