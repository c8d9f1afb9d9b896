#include "tools/render_wav.h"

SNDFILE* wav_create(const char* path, int sample_rate, int channels) {
    SF_INFO info = {};
    info.samplerate = sample_rate;
    info.channels = channels;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    return sf_open(path, SFM_WRITE, &info);
}
