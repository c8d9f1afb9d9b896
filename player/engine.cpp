// The row and tick engine: song position and order advance, the notes, instruments and volume
// column of each row, and the per-tick stepping of envelopes, fade-out and volume-column slides.
// The effect columns are handled in effects.cpp.
#include <algorithm>
#include <cstdint>

#include "player/engine.h"

static const NoteCell empty_cell = {};

// ---- Position ---------------------------------------------------------------------------------

// The pattern at the current order, or null when the order or its pattern does not exist.
static const Pattern* current_pattern(const Song* song) {
    if (!song->patterns || song->order_pos < 0 || song->order_pos >= song->song_length ||
        song->order_pos >= 256)
        return nullptr;
    int32_t number = song->order_table[song->order_pos];
    return number < song->pattern_count ? &song->patterns[number] : nullptr;
}

static int32_t current_rows(const Song* song) {
    const Pattern* pattern = current_pattern(song);
    return pattern ? pattern->rows : 0;
}

// The cells of the current row, one per channel, or null when the row does not exist.
static const NoteCell* current_cells(const Song* song) {
    const Pattern* pattern = current_pattern(song);
    if (!pattern || !pattern->cells || song->row < 0 || song->row >= pattern->rows) return nullptr;
    return pattern->cells + static_cast<int64_t>(song->row) * song->channel_count;
}

static int32_t engine_channel_count(const Song* song) {
    return std::clamp<int32_t>(song->channel_count, 0, MAX_CHANNELS);
}

// Takes the pending jump (B, D, E6) at the start of a row.
static void take_pending_position(Song* song) {
    if (song->next_order >= 0) song->order_pos = song->next_order;
    if (song->next_row >= 0) song->row = song->next_row;
    // A jump to a row beyond a shorter pattern's end lands on its first row.
    if (song->row >= current_rows(song)) song->row = 0;
}

// The default advance: the next row, the next order after a pattern's last row, and the restart
// position after the last order.
static void default_advance(Song* song) {
    song->next_row = song->row + 1;
    if (song->next_row < current_rows(song)) return;
    int32_t order = song->order_pos + 1;
    if (order >= song->song_length) {
        bool restart_valid =
            song->restart_position >= 0 && song->restart_position < song->song_length;
        order = restart_valid ? song->restart_position : 0;
    }
    song->next_order = order;
    song->next_row = 0;
}

void song_tick(Song* song) {
    if (!song) return;
    if (song->tick == 0) {
        take_pending_position(song);
        play_row(song);
        if (song->next_row == -1) default_advance(song);
    } else {
        play_tick(song);
    }
    song->tick += 1;
    if (song->tick >= song->speed + song->pattern_delay_ticks) {
        song->pattern_delay_ticks = 0;
        song->tick = 0;
    }
}

// ---- Channel helpers --------------------------------------------------------------------------

// The dummy sample is one shared, writable record: every fallback nulls its data again, so a voice
// handed it stops at once in the mixer whatever was stored into it since.
ChannelSound channel_sound(const Song* song, const ChannelState* channel) {
    if (channel->instrument >= song->instrument_count || !song->instruments) {
        dummy_sample.data = nullptr;
        return {&dummy_instrument, &dummy_sample, false};
    }
    Instrument* instrument = &song->instruments[channel->instrument];
    uint8_t slot = channel->note < 96 ? instrument->keymap[channel->note] : 16;
    SampleHeader* sample = slot < 16 ? instrument->samples[slot] : nullptr;
    if (!sample) {
        dummy_sample.data = nullptr;
        sample = &dummy_sample;
    }
    return {instrument, sample, true};
}

void channel_reset(ChannelState* channel, SampleHeader* sample) {
    channel->volume = sample->volume;
    channel->panning = sample->panning;
    channel->venv_out = 64;
    channel->penv_out = 32;
    channel->venv_index = channel->venv_tick = channel->venv_slope = 0;
    channel->penv_index = channel->penv_tick = channel->penv_slope = 0;
    channel->venv_done = channel->penv_done = 0;
    channel->key_off = 0;
    channel->fadeout_volume = 65536;
    channel->avib_pos = channel->avib_sweep = 0;
    // A waveform nibble of 4 or more keeps its position across new instruments.
    if ((channel->waveform & 0x0F) < 4) channel->vib_pos = 0;
    if ((channel->waveform >> 4) < 4) channel->trem_pos = 0;
    channel->tremor_count = 0;
    channel->flags |= UPDATE_VOLUME | UPDATE_PANNING;
}

void volume_raise(ChannelState* channel, int32_t amount) {
    channel->volume = std::min(channel->volume + amount, 64);
    channel->flags |= UPDATE_VOLUME;
}

void volume_lower(ChannelState* channel, int32_t amount) {
    channel->volume = std::max(channel->volume - amount, 0);
    channel->flags |= UPDATE_VOLUME;
}

// Panning slides of the volume column are not clamped; the voice update clamps what it hears.
static void panning_nudge(ChannelState* channel, int32_t amount) {
    channel->panning += amount;
    channel->flags |= UPDATE_PANNING;
}

void volume_column(ChannelState* channel, uint8_t byte) {
    int32_t v = byte & 15;
    if (byte >= 0x10 && byte <= 0x50) {
        channel->volume = byte - 0x10;
        channel->flags |= UPDATE_VOLUME;
        return;
    }
    switch (byte >> 4) {
    case 0x6:
    case 0x8: volume_lower(channel, v); break;
    case 0x7:
    case 0x9: volume_raise(channel, v); break;
    case 0xA: channel->vib_speed = static_cast<uint8_t>(v); break;
    case 0xB: channel->vib_depth = static_cast<uint8_t>(v); break;
    case 0xC:
        channel->panning = 16 * v;
        channel->flags |= UPDATE_PANNING;
        break;
    case 0xD: panning_nudge(channel, -v); break;
    case 0xE: panning_nudge(channel, v); break;
    case 0xF:
        if (v != 0) channel->porta_speed = static_cast<uint8_t>(16 * v);
        channel->porta_target = channel->target_period;
        // The note already set the period, so the pitch moves at once; only the restart is held.
        channel->flags &= ~UPDATE_TRIGGER;
        break;
    default: break;
    }
}

// The volume column on the ticks after the first. Its slides 6x and 7x ran on tick 0 as well.
static void volume_column_tick(ChannelState* channel, uint8_t byte) {
    int32_t v = byte & 15;
    switch (byte >> 4) {
    case 0x6: volume_lower(channel, v); break;
    case 0x7: volume_raise(channel, v); break;
    case 0xB:
        channel->vib_depth = static_cast<uint8_t>(v);
        vibrato_apply(channel);
        vibrato_advance(channel);
        break;
    case 0xD: panning_nudge(channel, -v); break;
    case 0xE: panning_nudge(channel, v); break;
    case 0xF: tone_porta_step(channel); break;
    default: break;
    }
}

void tone_porta_step(ChannelState* channel) {
    int32_t speed = 4 * channel->porta_speed;
    if (channel->period < channel->porta_target)
        channel->period = std::min(channel->period + speed, channel->porta_target);
    else if (channel->period > channel->porta_target)
        channel->period = std::max(channel->period - speed, channel->porta_target);
    channel->flags |= UPDATE_FREQUENCY;
}

void tremor_apply(ChannelState* channel) {
    if (channel->tremor_count >= channel->tremor_on) channel->volume_delta = -channel->volume;
    channel->tremor_count += 1;
    if (channel->tremor_count >= channel->tremor_on + channel->tremor_off)
        channel->tremor_count = 0;
    channel->flags |= UPDATE_VOLUME;
}

void volume_slide(ChannelState* channel) {
    int32_t up = channel->volslide_memory >> 4;
    int32_t down = channel->volslide_memory & 15;
    if (up != 0)
        volume_raise(channel, up);
    else if (down != 0)
        volume_lower(channel, down);
    channel->flags |= UPDATE_VOLUME;
}

void period_add(ChannelState* channel, int32_t amount) {
    channel->period = std::clamp(channel->period + amount, -PERIOD_LIMIT, PERIOD_LIMIT);
}

// Envelopes and fade-out, at every tick. release_silences: at a row start, a released note
// without volume envelope falls silent.
static void envelopes_and_fadeout(ChannelState* channel, const Instrument* instrument,
                                  bool release_silences) {
    if (instrument->vol_type & ENVELOPE_ON) {
        if (!channel->venv_done)
            envelope_step(channel, volume_envelope(instrument), volume_envelope_state(channel),
                          UPDATE_VOLUME);
    } else if (release_silences && channel->key_off) {
        channel->venv_out = 0;
    }
    if ((instrument->pan_type & ENVELOPE_ON) && !channel->penv_done)
        envelope_step(channel, panning_envelope(instrument), panning_envelope_state(channel),
                      UPDATE_PANNING);
    if (channel->key_off) {
        channel->fadeout_volume = std::max(channel->fadeout_volume - instrument->fadeout, 0);
        channel->flags |= UPDATE_VOLUME;
    }
}

// ---- Rows -------------------------------------------------------------------------------------

static bool cell_has_note(const NoteCell& cell) { return cell.note >= 1 && cell.note <= 96; }

static int32_t note_period(const Song* song, uint8_t real_note, int8_t finetune) {
    if (song->song_flags & SONG_LINEAR_FREQUENCIES) return 7680 - 64 * real_note - finetune / 2;
    return amiga_period(real_note, finetune);
}

// A note in the cell: its period becomes the portamento target, and without portamento the
// channel's period, with a trigger.
static void row_note(ChannelState* channel, const Song* song, const NoteCell& cell,
                     const SampleHeader* sample, bool porta) {
    channel->real_note = static_cast<uint8_t>(cell.note - 1 + sample->relative_note);
    channel->target_period = note_period(song, channel->real_note, sample->finetune);
    if (!porta) channel->period = channel->target_period;
    channel->flags = UPDATE_TRIGGER;
}

static void row_channel(Song* song, ChannelState* channel, const NoteCell& cell, bool* jumped) {
    // Tone portamento keeps the playing instrument, note and period.
    bool porta = cell.effect == EFFECT_TONE_PORTA || cell.effect == EFFECT_TONE_PORTA_VOLSLIDE;
    if (cell.instrument && !porta) channel->instrument = static_cast<uint8_t>(cell.instrument - 1);
    if (cell_has_note(cell) && !porta) channel->note = static_cast<uint8_t>(cell.note - 1);
    ChannelSound sound = channel_sound(song, channel);
    if (!porta && sound.valid) channel->sample = sound.sample;
    RowContext row = {song,  sound, &cell, channel->period, channel->volume, channel->panning,
                      jumped};
    // The last tremolo offset stays when the tremolo ends.
    if (channel->last_effect == EFFECT_TREMOLO && cell.effect != EFFECT_TREMOLO)
        channel->volume += channel->volume_delta;
    channel->volume_delta = 0;
    channel->flags = 0;
    channel->last_effect = cell.effect;
    if (cell_has_note(cell)) row_note(channel, song, cell, sound.sample, porta);
    channel->period_delta = 0;
    channel->flags |= UPDATE_FREQUENCY | UPDATE_VOLUME;
    if (cell.instrument) channel_reset(channel, sound.sample);
    if (cell.volume) volume_column(channel, cell.volume);
    if (cell.note == NOTE_KEY_OFF || cell.effect == EFFECT_KEY_OFF) channel->key_off = 1;
    envelopes_and_fadeout(channel, sound.instrument, true);
    row_effect(channel, row);
    autovibrato_apply(channel, sound.instrument);
    voice_update(channel, sound.sample, song);
}

void play_row(Song* song) {
    song->next_row = song->next_order = -1;
    bool jumped = false;
    const NoteCell* cells = current_cells(song);
    int32_t count = engine_channel_count(song);
    for (int32_t c = 0; c < count; ++c)
        row_channel(song, &channels[c], cells ? cells[c] : empty_cell, &jumped);
}

// ---- Ticks ------------------------------------------------------------------------------------

static void tick_channel(Song* song, ChannelState* channel, const NoteCell& cell) {
    ChannelSound sound = channel_sound(song, channel);
    channel->volume_delta = 0;
    channel->period_delta = 0;
    channel->flags = 0;
    envelopes_and_fadeout(channel, sound.instrument, false);
    volume_column_tick(channel, cell.volume);
    tick_effect(channel, song, sound, cell);
    autovibrato_apply(channel, sound.instrument);
    voice_update(channel, sound.sample, song);
}

void play_tick(Song* song) {
    const NoteCell* cells = current_cells(song);
    int32_t count = engine_channel_count(song);
    for (int32_t c = 0; c < count; ++c)
        tick_channel(song, &channels[c], cells ? cells[c] : empty_cell);
}
