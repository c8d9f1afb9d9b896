// The voice update: turns a channel's update flags into changes of the Voice the mixer plays
// (note starts with a twin hand-over, volume and panning levels, the resampling step), and the
// tick length derived from the BPM.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "player/engine.h"

static constexpr int32_t FREQUENCY_FLOOR = 100;  // Hz; slower voices still step at this rate
// Above this many frames per output frame the mixer's 32-bit boundary count would overflow; no
// real note comes near it.
static constexpr int32_t STEP_LIMIT = 128;

// Voice v and voice v + TWIN_OFFSET take turns for one channel.
static Voice* twin_of(const Voice* voice) {
    int32_t index = static_cast<int32_t>(voice - voices);
    return &voices[(index + TWIN_OFFSET) % MIXED_VOICES];
}

// Starts the sample on the channel's voice. A voice that still sounds is copied to its twin
// first and silenced, so it fades out over the mixer's ramp instead of clicking.
static Voice* voice_trigger(ChannelState* channel, SampleHeader* sample) {
    Voice* voice = channel->voice;
    if (voice->sample) {
        Voice* twin = twin_of(voice);
        *twin = *voice;
        twin->index = static_cast<int32_t>(twin - voices);
        voice->volume = voice->volume_copy = 0;
        voice->level_left = voice->level_right = 0;
        voice = channel->voice = twin;
    }
    voice->sample = sample;
    if (voice->start_offset >= sample->loop_start + sample->loop_length) voice->start_offset = 0;
    voice->pos = static_cast<int32_t>(voice->start_offset);
    voice->pos_frac = 0;
    voice->direction = 1;
    voice->start_offset = 0;
    voice->cur_left = voice->cur_right = 0;
    voice->ramp_frames_left = 0;
    return voice;
}

static void voice_levels(Voice* voice) {
    voice->level_left = voice->volume * voice->panning / 255;
    voice->level_right = (255 - voice->panning) * voice->volume / 255;
}

static void voice_volume(const ChannelState* channel, Voice* voice, const Song* song) {
    int64_t product = static_cast<int64_t>(channel->volume + channel->volume_delta) *
                      channel->venv_out * channel->fadeout_volume * song->global_volume * 255;
    int32_t volume = static_cast<int32_t>(product / (int64_t{1} << 35));
    voice->volume = voice->volume_copy = volume;
    voice_levels(voice);
}

static void voice_panning(const ChannelState* channel, Voice* voice) {
    int32_t panning = channel->panning;
    // The envelope swings the panning only as far as the nearer edge allows (factor 0..4).
    int32_t reach = (128 - std::abs(panning - 128)) / 32;
    int32_t pan = std::clamp(panning + reach * (channel->penv_out - 32), 0, 255);
    voice->panning = voice->panning_copy = pan;
    voice_levels(voice);
}

static int32_t channel_frequency(const ChannelState* channel, const Song* song) {
    if (song->song_flags & SONG_LINEAR_FREQUENCIES) {
        const double octave_fraction = 1.0f / 768.0f;
        double exponent = (4608 - channel->period + channel->period_delta) * octave_fraction;
        double frequency = 8363 * std::pow(2.0, exponent);
        return frequency >= INT32_MAX ? INT32_MAX : static_cast<int32_t>(frequency);
    }
    return 14317056 / (channel->period + channel->period_delta);
}

static void voice_frequency(const ChannelState* channel, Voice* voice, const Song* song) {
    voice->frequency = channel_frequency(channel, song);
    if (mix_rate <= 0) return;
    int64_t limit = static_cast<int64_t>(mix_rate) * STEP_LIMIT - 1;
    uint32_t f =
        static_cast<uint32_t>(std::clamp<int64_t>(voice->frequency, FREQUENCY_FLOOR, limit));
    uint32_t rate = static_cast<uint32_t>(mix_rate);
    voice->step = static_cast<int32_t>(f / rate);
    voice->step_frac = static_cast<uint32_t>((static_cast<uint64_t>(f % rate) << 32) / rate);
}

void voice_update(ChannelState* channel, SampleHeader* sample, Song* song) {
    Voice* voice = channel->voice;
    if (!voice) return;
    if (channel->period + channel->period_delta == 0) channel->flags &= ~UPDATE_FREQUENCY;
    if (channel->flags & UPDATE_TRIGGER) voice = voice_trigger(channel, sample);
    if (channel->flags & UPDATE_VOLUME) voice_volume(channel, voice, song);
    if (channel->flags & UPDATE_PANNING) voice_panning(channel, voice);
    if (channel->flags & UPDATE_FREQUENCY) voice_frequency(channel, voice, song);
    if (channel->flags & UPDATE_RESTART) {
        // The playing sample jumps back to its start without a new trigger.
        voice->pos = 0;
        voice->pos_frac = 0;
        voice->start_offset = 0;
    }
}

void set_bpm(Song* song, int32_t bpm) {
    // A BPM below 1 would divide by zero; such a tempo is read as 1.
    bpm = std::max(bpm, 1);
    song->bpm = bpm;
    double frames =
        1000 / (bpm * static_cast<double>(0.4f)) * mix_rate * static_cast<double>(0.001f);
    song->tick_frames = std::max(static_cast<int32_t>(frames), 1);
}
