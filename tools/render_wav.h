// The WAV files quadrise-render writes: 16-bit PCM through libsndfile.
#pragma once

#include <sndfile.h>

// Creates (or replaces) path as a 16-bit PCM WAV file; null when it cannot be written.
SNDFILE* wav_create(const char* path, int sample_rate, int channels);
