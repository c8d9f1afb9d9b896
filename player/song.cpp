// The song model's shared records: the channel table the engine works on, and the all-zero
// sample and instrument that missing or out-of-range references fall back to.
#include "player/player.h"

ChannelState channels[MAX_CHANNELS];
SampleHeader dummy_sample;
Instrument dummy_instrument;
