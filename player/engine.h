// Internals of the row and tick engine, shared by the engine, its effects and the modulation
// routines. Everything public lives in player.h.
#pragma once

#include <cstdint>

#include "player/player.h"

// ---- Channels (song.cpp) ----------------------------------------------------------------------
struct ChannelState {
    uint8_t note;
    uint8_t flags;
    Voice* voice;
    SampleHeader* sample;
    int32_t period;
    int32_t volume;
    int32_t panning;
    int32_t volume_delta;
    int32_t period_delta;
    int32_t venv_tick, venv_index, venv_value, venv_out, venv_slope;
    uint8_t venv_done;
    int32_t penv_tick, penv_index, penv_value, penv_out, penv_slope;
    uint8_t penv_done;
    int32_t fadeout_volume;
    int32_t avib_pos;
    int32_t avib_sweep;
    uint8_t key_off;
    uint8_t instrument;
    uint8_t real_note;
    int32_t target_period;
    uint8_t last_effect;
    int32_t offset_memory;
    uint8_t porta_down_memory, porta_up_memory;
    uint8_t xfine_down_memory, xfine_up_memory;
    uint8_t volslide_memory;
    uint8_t panslide_memory;
    uint8_t retrig_volume_mode, retrig_interval;
    int32_t porta_target;
    uint8_t porta_speed;
    int8_t vib_pos;
    uint8_t vib_speed, vib_depth;
    int8_t trem_pos;
    uint8_t trem_speed, trem_depth;
    uint8_t tremor_count, tremor_on, tremor_off;
    int32_t loop_row;
    int32_t loop_count;
    uint8_t waveform;
    uint8_t fine_volslide_memory;
    uint8_t fine_porta_up_memory, fine_porta_down_memory;
};

extern ChannelState channels[MAX_CHANNELS];
extern SampleHeader dummy_sample;
extern Instrument dummy_instrument;

// ---- Voice update (voice_update.cpp) ----------------------------------------------------------
void voice_update(ChannelState* channel, SampleHeader* sample, Song* song);

// ---- Engine (engine.cpp) ----------------------------------------------------------------------
void play_row(Song* song);
void play_tick(Song* song);
void channel_reset(ChannelState* channel, SampleHeader* sample);
void volume_column(ChannelState* channel, uint8_t byte);
void tone_porta_step(ChannelState* channel);
void tremor_apply(ChannelState* channel);
// Raise the volume (to at most 64) or lower it (to at least 0), marking it for the voice.
void volume_raise(ChannelState* channel, int32_t amount);
void volume_lower(ChannelState* channel, int32_t amount);
// Volume slide by the channel's volslide_memory (Axy, 5xy, 6xy on ticks after the first).
void volume_slide(ChannelState* channel);
// Adds to the period, kept within +-PERIOD_LIMIT so that endless slides cannot overflow.
void period_add(ChannelState* channel, int32_t amount);
constexpr int32_t PERIOD_LIMIT = 1 << 24;

// The instrument and sample a channel plays, looked up afresh at every tick.
struct ChannelSound {
    Instrument* instrument;  // dummy_instrument when the channel's index is out of range
    SampleHeader* sample;    // dummy_sample when the keymap or the slot gives none
    bool valid;              // the instrument index names a real instrument
};
ChannelSound channel_sound(const Song* song, const ChannelState* channel);

// ---- Effects (effects.cpp) --------------------------------------------------------------------
// What the effects of one row may change beyond the channel: the pending jumps, speed, tempo and
// global volume. jumped records a Bxx earlier on the row, so that a later Dxy keeps its order.
struct RowContext {
    Song* song;
    ChannelSound sound;
    const NoteCell* cell;
    int32_t saved_period, saved_volume, saved_panning;  // for EDy
    bool* jumped;
};
void row_effect(ChannelState* channel, const RowContext& row);
void tick_effect(ChannelState* channel, Song* song, const ChannelSound& sound,
                 const NoteCell& cell);

// ---- Envelopes and modulation (modulation.cpp) ------------------------------------------------
constexpr int ENVELOPE_MAX_POINTS = 12;  // the most points an XM envelope can hold

struct Envelope {
    const EnvelopePoint* points;
    uint8_t point_count, sustain, loop_start, loop_end, type;
};

// The channel's six state fields of one envelope.
struct EnvelopeState {
    int32_t* tick;
    int32_t* index;
    int32_t* value;  // 16.16
    int32_t* out;
    int32_t* slope;  // 16.16 per tick
    uint8_t* done;
};

Envelope volume_envelope(const Instrument* instrument);
Envelope panning_envelope(const Instrument* instrument);
EnvelopeState volume_envelope_state(ChannelState* channel);
EnvelopeState panning_envelope_state(ChannelState* channel);

void envelope_step(ChannelState* channel, const Envelope& envelope, const EnvelopeState& state,
                   uint8_t flag);
// Lxx: places the volume envelope at tick t.
void envelope_jump(ChannelState* channel, const Instrument* instrument, int32_t t);

void vibrato_apply(ChannelState* channel);
// vib_pos += vib_speed in 8 bits, wrapped into -32..31.
void vibrato_advance(ChannelState* channel);
void tremolo_apply(ChannelState* channel);
void autovibrato_apply(ChannelState* channel, const Instrument* instrument);
int32_t amiga_period(int32_t note, int32_t finetune);
