// Envelopes, vibrato, tremolo, autovibrato and the Amiga period table: the per-tick shaping of a
// channel's volume, panning and pitch. Results go into the channel's envelope state, its
// period_delta and volume_delta, and its update flags; the voice update turns them into sound.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "player/engine.h"

// ---- Envelopes --------------------------------------------------------------------------------

static constexpr int32_t ENVELOPE_TOP = 64;  // the largest envelope value

Envelope volume_envelope(const Instrument* instrument) {
    return {instrument->vol_env,        instrument->vol_point_count, instrument->vol_sustain,
            instrument->vol_loop_start, instrument->vol_loop_end,    instrument->vol_type};
}

Envelope panning_envelope(const Instrument* instrument) {
    return {instrument->pan_env,        instrument->pan_point_count, instrument->pan_sustain,
            instrument->pan_loop_start, instrument->pan_loop_end,    instrument->pan_type};
}

EnvelopeState volume_envelope_state(ChannelState* channel) {
    return {&channel->venv_tick, &channel->venv_index, &channel->venv_value,
            &channel->venv_out,  &channel->venv_slope, &channel->venv_done};
}

EnvelopeState panning_envelope_state(ChannelState* channel) {
    return {&channel->penv_tick, &channel->penv_index, &channel->penv_value,
            &channel->penv_out,  &channel->penv_slope, &channel->penv_done};
}

// Point counts beyond what the format can hold are read as the format's maximum.
static int32_t point_count(const Envelope& envelope) {
    return std::min<int32_t>(envelope.point_count, ENVELOPE_MAX_POINTS);
}

// Values above the envelope's range are read as its top, so 16.16 values never overflow.
static int32_t point_y(const EnvelopePoint& point) {
    return std::min<int32_t>(point.y, ENVELOPE_TOP);
}

// Slope of the segment from point i to point i + 1 in 16.16 per tick; 0 for a vertical segment.
static int32_t segment_slope(const EnvelopePoint* points, int32_t i) {
    int32_t dx = static_cast<int32_t>(points[i + 1].x) - static_cast<int32_t>(points[i].x);
    if (dx == 0) return 0;
    return (point_y(points[i + 1]) - point_y(points[i])) * 65536 / dx;
}

static bool envelope_loops(const Envelope& envelope, int32_t count) {
    return (envelope.type & ENVELOPE_LOOP) && envelope.loop_start < count &&
           envelope.loop_end < count;
}

// At point i (reached or passed): loop, finish, hold at the sustain point, or start the next
// segment. True when the envelope stops here for this tick without advancing.
static bool envelope_at_point(ChannelState* channel, const Envelope& envelope,
                              const EnvelopeState& state, int32_t count, uint8_t flag) {
    const EnvelopePoint* points = envelope.points;
    // The loop test comes first, so a loop that ends at the last point repeats.
    if (envelope_loops(envelope, count) && *state.index == envelope.loop_end) {
        *state.index = envelope.loop_start;
        *state.tick = points[envelope.loop_start].x;
    }
    int32_t i = *state.index;
    if (i == count - 1) {
        *state.out = point_y(points[i]);
        *state.done = 1;
        channel->flags |= flag;
        return true;
    }
    if ((envelope.type & ENVELOPE_SUSTAIN) && i == envelope.sustain && !channel->key_off) {
        *state.out = point_y(points[i]);
        channel->flags |= flag;
        return true;
    }
    *state.slope = segment_slope(points, i);
    *state.value = point_y(points[i]) * 65536;
    *state.index = i + 1;
    return false;
}

void envelope_step(ChannelState* channel, const Envelope& envelope, const EnvelopeState& state,
                   uint8_t flag) {
    int32_t count = point_count(envelope);
    int32_t i = *state.index;
    if (i >= 0 && i < count) {
        // Reaching or passing the point's tick both count, so envelopes whose ticks do not rise
        // still move on instead of sliding forever.
        if (*state.tick >= envelope.points[i].x) {
            if (envelope_at_point(channel, envelope, state, count, flag)) return;
        } else {
            *state.value += *state.slope;
        }
    }
    *state.out = *state.value >> 16;
    *state.tick += 1;
    channel->flags |= flag;
}

void envelope_jump(ChannelState* channel, const Instrument* instrument, int32_t t) {
    Envelope envelope = volume_envelope(instrument);
    int32_t count = point_count(envelope);
    if (count == 0) return;
    const EnvelopePoint* points = envelope.points;
    int32_t i = 0;
    while (i < count && t > points[i + 1].x) i += 1;
    channel->venv_index = i;
    if (i >= count - 1) {
        channel->venv_out = point_y(points[count - 1]);
        channel->venv_done = 1;
        return;
    }
    channel->venv_done = 0;
    channel->venv_tick = t;
    // A tick before the first point holds that point's value until the envelope reaches it (the
    // index stays on it). Extrapolating the first segment backwards would leave the 0..64 range,
    // and every later tick would add its slope on top.
    if (t < points[i].x) {
        channel->venv_slope = 0;
        channel->venv_value = point_y(points[i]) * 65536;
        channel->venv_out = point_y(points[i]);
        return;
    }
    // Here points[i].x <= t <= points[i + 1].x, so the value lies between the two points' values.
    channel->venv_slope = segment_slope(points, i);
    channel->venv_value = (t - points[i].x) * channel->venv_slope + point_y(points[i]) * 65536;
    channel->venv_index = i + 1;
    channel->venv_out = channel->venv_value >> 16;
}

// ---- Vibrato and tremolo ----------------------------------------------------------------------

// |sin| over the 64 positions of one period (-32..31), scaled to 0..255.
static int32_t sine_value(int32_t position) {
    return static_cast<int32_t>(std::fabs(std::sin(2 * position * 0.049087375) * 256));
}

// Positions advance in 8 bits and wrap from above 31 back by one period of 64.
static int8_t position_advance(int8_t position, uint8_t speed) {
    int8_t next = static_cast<int8_t>(position + speed);
    if (next > 31) next = static_cast<int8_t>(next - 64);
    return next;
}

static int32_t vibrato_value(int32_t position, int32_t waveform) {
    switch (waveform) {
    case 0: return sine_value(position);
    case 1: return position >= 0 ? 8 * position : 255 - ((8 * position) & 255);
    default: return 255;
    }
}

void vibrato_apply(ChannelState* channel) {
    int32_t position = channel->vib_pos;
    int32_t value = vibrato_value(position, channel->waveform & 3);
    int32_t depth = ((channel->vib_depth * value) >> 5) & ~3;
    channel->period_delta = position < 0 ? depth : -depth;
    channel->flags |= UPDATE_FREQUENCY;
}

void vibrato_advance(ChannelState* channel) {
    channel->vib_pos = position_advance(channel->vib_pos, channel->vib_speed);
}

static int32_t tremolo_value(int32_t position, int32_t waveform) {
    switch (waveform) {
    case 1: {
        int32_t ramp = 8 * (position & 31);
        return position >= 0 ? ramp : 255 - ramp;
    }
    case 2: return 255;
    default: return sine_value(position);
    }
}

void tremolo_apply(ChannelState* channel) {
    int32_t position = channel->trem_pos;
    int32_t value = tremolo_value(position, (channel->waveform >> 4) & 3);
    int32_t depth = (channel->trem_depth * value) >> 6;
    if (position >= 0) {
        if (channel->volume + depth > 64) depth = 64 - channel->volume;
        channel->volume_delta = depth;
    } else {
        if (channel->volume - depth < 0) depth = channel->volume;
        channel->volume_delta = -depth;
    }
    channel->trem_pos = position_advance(channel->trem_pos, channel->trem_speed);
    channel->flags |= UPDATE_VOLUME;
}

// ---- Autovibrato ------------------------------------------------------------------------------

// Waveform value at position q (0..255), -64..64; types above 3 give 0.
static int32_t autovibrato_value(int32_t q, uint8_t type) {
    switch (type) {
    case 0: {
        // The angle is formed in single precision, the sine in double (so 64 never occurs).
        float angle = static_cast<float>(q) * 0.02454368770122528f;
        return static_cast<int32_t>(std::sin(static_cast<double>(angle)) * 64);
    }
    case 1: return q < 128 ? 64 : -64;
    case 2: return (128 - ((q + 128) & 255)) >> 1;
    case 3: return (128 - ((384 - q) & 255)) >> 1;
    default: return 0;
    }
}

void autovibrato_apply(ChannelState* channel, const Instrument* instrument) {
    int32_t depth =
        instrument->vibrato_depth * autovibrato_value(channel->avib_pos, instrument->vibrato_type);
    if (instrument->vibrato_sweep != 0)
        depth = channel->avib_sweep * depth / instrument->vibrato_sweep;
    channel->period_delta += depth >> 6;
    channel->avib_sweep = std::min<int32_t>(channel->avib_sweep + 1, instrument->vibrato_sweep);
    channel->avib_pos += instrument->vibrato_rate;
    if (channel->avib_pos > 255) channel->avib_pos -= 256;
    // Every channel's frequency is recomputed at every tick.
    channel->flags |= UPDATE_FREQUENCY;
}

// ---- Amiga periods ----------------------------------------------------------------------------

// Period of table step k: 13.375 x 2^(k/12), with 1/12 rounded to single precision.
static int32_t amiga_table(int32_t k) {
    const double twelfth = 1.0f / 12.0f;
    return static_cast<int32_t>(std::pow(2.0, k * twelfth) * 13.375);
}

int32_t amiga_period(int32_t note, int32_t finetune) {
    int32_t base = amiga_table(132 - note);
    if (finetune >= 0 || note == 0)
        return base + (base - amiga_table(131 - note)) * finetune / -128;
    return base + (base - amiga_table(133 - note)) * -finetune / -128;
}
