// The effect column: what each effect does at the first tick of its row (row_effect) and on the
// ticks after it (tick_effect), by the numbers of Effect in player.h.
#include <algorithm>
#include <cstdint>

#include "player/engine.h"

static constexpr uint8_t LOW_FLAGS =
    UPDATE_FREQUENCY | UPDATE_VOLUME | UPDATE_PANNING | UPDATE_TRIGGER;

// ---- First tick of the row --------------------------------------------------------------------

// 9xx: the note starts at the offset, or, at or beyond the loop end, is not started and the
// playing voice rewinds instead. Only a row whose note starts is affected, so the offset never
// lingers for a later note.
static void sample_offset(ChannelState* channel, const SampleHeader* sample, uint8_t param) {
    if (param != 0) channel->offset_memory = param;
    if (!channel->voice || !(channel->flags & UPDATE_TRIGGER)) return;
    uint32_t offset = static_cast<uint32_t>(channel->offset_memory) * 256;
    if (offset < sample->loop_start + sample->loop_length) {
        channel->voice->start_offset = offset;
    } else {
        channel->flags &= ~UPDATE_TRIGGER;
        channel->flags |= UPDATE_RESTART;
    }
}

static void pattern_break(const RowContext& row, uint8_t param) {
    Song* song = row.song;
    int32_t target = 10 * (param >> 4) + (param & 15);
    // No pattern has a row past 63, so such a break goes to the top of the next pattern (a row
    // past a shorter pattern's end is sent to its top when the jump is taken).
    song->next_row = target > 63 ? 0 : target;
    if (!*row.jumped) song->next_order = song->order_pos + 1;
    if (song->next_order >= song->song_length) song->next_order = 0;
}

static void pattern_loop(ChannelState* channel, Song* song, int32_t y) {
    if (y == 0) {
        channel->loop_row = song->row;
        return;
    }
    channel->loop_count = channel->loop_count == 0 ? y : channel->loop_count - 1;
    if (channel->loop_count != 0) song->next_row = channel->loop_row;
}

static void extended_row_effect(ChannelState* channel, const RowContext& row, uint8_t param) {
    int32_t y = param & 15;
    switch (param >> 4) {
    case 0x1:
        if (y != 0) channel->fine_porta_up_memory = static_cast<uint8_t>(y);
        period_add(channel, -4 * channel->fine_porta_up_memory);
        break;
    case 0x2:
        if (y != 0) channel->fine_porta_down_memory = static_cast<uint8_t>(y);
        period_add(channel, 4 * channel->fine_porta_down_memory);
        break;
    case 0x4: channel->waveform = static_cast<uint8_t>((channel->waveform & 0xF0) | y); break;
    case 0x5:
        // The finetune stays with the sample for later notes; the shared empty sample keeps zero.
        if (row.sound.sample != &dummy_sample) row.sound.sample->finetune = static_cast<int8_t>(y);
        break;
    case 0x6: pattern_loop(channel, row.song, y); break;
    case 0x7:
        channel->waveform = static_cast<uint8_t>((channel->waveform & 0x0F) | (y << 4));
        break;
    case 0x8:
        channel->panning = 16 * y;
        channel->flags |= UPDATE_PANNING;
        break;
    case 0xA:
        if (y != 0) channel->fine_volslide_memory = static_cast<uint8_t>(y);
        volume_raise(channel, channel->fine_volslide_memory);
        break;
    case 0xB:
        if (y != 0) channel->fine_volslide_memory = static_cast<uint8_t>(y);
        volume_lower(channel, channel->fine_volslide_memory);
        break;
    case 0xD:
        // A delay of 0 ticks plays the note at once, like any other.
        if (y == 0) break;
        // The delayed note starts later in the row: nothing changes now.
        channel->flags &= ~LOW_FLAGS;
        channel->volume = row.saved_volume;
        channel->period = row.saved_period;
        channel->panning = row.saved_panning;
        break;
    case 0xE: row.song->pattern_delay_ticks = y * row.song->speed; break;
    default: break;
    }
}

// X1y, X2y: like E1y and E2y in single period units; y = 0 slides by the remembered amount.
static void extra_fine_porta(ChannelState* channel, uint8_t param) {
    int32_t y = param & 15;
    if ((param >> 4) == 1) {
        if (y != 0) channel->xfine_up_memory = static_cast<uint8_t>(y);
        period_add(channel, -channel->xfine_up_memory);
    } else if ((param >> 4) == 2) {
        if (y != 0) channel->xfine_down_memory = static_cast<uint8_t>(y);
        period_add(channel, channel->xfine_down_memory);
    }
}

// Effects 0..9 and A..F at the first tick.
static void row_effect_low(ChannelState* channel, const RowContext& row, uint8_t param) {
    Song* song = row.song;
    switch (row.cell->effect) {
    case EFFECT_PORTA_UP:
        if (param != 0) channel->porta_up_memory = param;
        break;
    case EFFECT_PORTA_DOWN:
        if (param != 0) channel->porta_down_memory = param;
        break;
    case EFFECT_TONE_PORTA:
        if (param != 0) channel->porta_speed = param;
        channel->porta_target = channel->target_period;
        channel->flags &= ~(UPDATE_TRIGGER | UPDATE_FREQUENCY);
        break;
    case EFFECT_VIBRATO:
        if (param >> 4) channel->vib_speed = param >> 4;
        if (param & 15) channel->vib_depth = param & 15;
        vibrato_apply(channel);
        break;
    case EFFECT_TONE_PORTA_VOLSLIDE:
        channel->porta_target = channel->target_period;
        if (param != 0) channel->volslide_memory = param;
        channel->flags &= ~(UPDATE_TRIGGER | UPDATE_FREQUENCY);
        break;
    case EFFECT_VIBRATO_VOLSLIDE:
        if (param != 0) channel->volslide_memory = param;
        vibrato_apply(channel);
        break;
    case EFFECT_TREMOLO:
        if (param >> 4) channel->trem_speed = param >> 4;
        if (param & 15) channel->trem_depth = param & 15;
        break;
    case EFFECT_SET_PANNING:
        channel->panning = param;
        channel->flags |= UPDATE_PANNING;
        break;
    case EFFECT_SAMPLE_OFFSET: sample_offset(channel, row.sound.sample, param); break;
    case EFFECT_VOLUME_SLIDE:
        if (param != 0) channel->volslide_memory = param;
        break;
    case EFFECT_POSITION_JUMP:
        song->next_row = 0;
        song->next_order = param < song->song_length ? param : 0;
        *row.jumped = true;
        break;
    case EFFECT_SET_VOLUME:
        channel->volume = param;  // not clamped: volumes above 64 play louder
        channel->flags |= UPDATE_VOLUME;
        break;
    case EFFECT_PATTERN_BREAK: pattern_break(row, param); break;
    case EFFECT_EXTENDED: extended_row_effect(channel, row, param); break;
    case EFFECT_SPEED:
        if (param < 32)
            song->speed = param;
        else
            set_bpm(song, param);
        break;
    default: break;
    }
}

void row_effect(ChannelState* channel, const RowContext& row) {
    uint8_t param = row.cell->param;
    switch (row.cell->effect) {
    case EFFECT_GLOBAL_VOLUME:
        row.song->global_volume = std::min<int32_t>(param, 64);
        channel->flags |= UPDATE_VOLUME;
        break;
    case EFFECT_GLOBAL_VOLUME_SLIDE:
        if (param != 0) row.song->global_slide_memory = param;
        break;
    case EFFECT_ENVELOPE_POSITION:
        if (row.sound.instrument->vol_type & ENVELOPE_ON)
            envelope_jump(channel, row.sound.instrument, param);
        break;
    case EFFECT_PANNING_SLIDE:
        if (param != 0) {
            channel->panslide_memory = param;
            channel->flags |= UPDATE_PANNING;
        }
        break;
    case EFFECT_RETRIGGER:
        if (param != 0) {
            channel->retrig_volume_mode = param >> 4;
            channel->retrig_interval = param & 15;
        }
        break;
    case EFFECT_TREMOR:
        if (param != 0) {
            channel->tremor_on = static_cast<uint8_t>((param >> 4) + 1);
            channel->tremor_off = static_cast<uint8_t>((param & 15) + 1);
        }
        tremor_apply(channel);
        break;
    case EFFECT_EXTRA_FINE_PORTA: extra_fine_porta(channel, param); break;
    default: row_effect_low(channel, row, param); break;
    }
}

// ---- Ticks after the first --------------------------------------------------------------------

static void arpeggio(ChannelState* channel, const Song* song, const SampleHeader* sample,
                     uint8_t param) {
    int32_t phase = song->tick % 3;
    int32_t semitones = phase == 1 ? param >> 4 : phase == 2 ? param & 15 : 0;
    if (semitones != 0) {
        if (song->song_flags & SONG_LINEAR_FREQUENCIES) {
            channel->period_delta = 64 * semitones;
        } else {
            channel->period_delta = amiga_period(channel->real_note + semitones, sample->finetune) -
                                    amiga_period(channel->real_note, sample->finetune);
        }
    }
    channel->flags |= UPDATE_FREQUENCY;
}

// Rxy volume change, by mode 1..15.
static int32_t retrig_volume(int32_t volume, int32_t mode) {
    switch (mode) {
    case 1: return volume - 1;
    case 2: return volume - 2;
    case 3: return volume - 4;
    case 4: return volume - 8;
    case 5: return volume - 16;
    case 6: return volume * 2 / 3;
    case 7: return volume >> 1;
    case 9: return volume + 1;
    case 10: return volume + 2;
    case 11: return volume + 4;
    case 12: return volume + 8;
    case 13: return volume + 16;
    case 14: return volume * 3 / 2;
    case 15: return volume * 2;
    default: return volume;
    }
}

static void retrigger(ChannelState* channel, const Song* song) {
    if (channel->retrig_interval == 0 || song->tick % channel->retrig_interval != 0) return;
    if (channel->retrig_volume_mode != 0) {
        channel->volume =
            std::clamp(retrig_volume(channel->volume, channel->retrig_volume_mode), 0, 64);
        channel->flags |= UPDATE_VOLUME;
    }
    channel->flags |= UPDATE_TRIGGER;
}

// Hxy and Pxy: x slides up (taking precedence), else y slides down, within 0..top.
static int32_t nibble_slide(int32_t value, uint8_t memory, int32_t top) {
    int32_t up = memory >> 4;
    int32_t down = memory & 15;
    if (up != 0) return std::min(value + up, top);
    if (down != 0) return std::max(value - down, 0);
    return value;
}

static void global_volume_slide(Song* song) {
    song->global_volume = nibble_slide(song->global_volume, song->global_slide_memory, 64);
}

static void panning_slide(ChannelState* channel) {
    channel->panning = nibble_slide(channel->panning, channel->panslide_memory, 255);
    channel->flags |= UPDATE_PANNING;
}

// EDy: the delayed note starts at tick y; on the row's other ticks the channel stays untouched.
static void note_delay(ChannelState* channel, const Song* song, SampleHeader* sample,
                       const NoteCell& cell) {
    if ((cell.param & 15) == 0) return;
    if (song->tick != (cell.param & 15)) {
        channel->flags &= ~LOW_FLAGS;
        return;
    }
    channel_reset(channel, sample);
    channel->period = channel->target_period;
    channel->flags |= UPDATE_FREQUENCY;
    if (cell.volume) volume_column(channel, cell.volume);
    channel->flags |= UPDATE_TRIGGER;
}

static void extended_tick_effect(ChannelState* channel, const Song* song, SampleHeader* sample,
                                 const NoteCell& cell) {
    int32_t y = cell.param & 15;
    switch (cell.param >> 4) {
    case 0x9:
        if (y != 0 && song->tick % y == 0)
            channel->flags |= UPDATE_TRIGGER | UPDATE_VOLUME | UPDATE_FREQUENCY;
        break;
    case 0xC:
        if (song->tick == y) {
            channel->volume = 0;
            channel->flags |= UPDATE_VOLUME;
        }
        break;
    case 0xD: note_delay(channel, song, sample, cell); break;
    default: break;
    }
}

void tick_effect(ChannelState* channel, Song* song, const ChannelSound& sound,
                 const NoteCell& cell) {
    switch (cell.effect) {
    case EFFECT_ARPEGGIO:
        if (cell.param != 0) arpeggio(channel, song, sound.sample, cell.param);
        break;
    case EFFECT_PORTA_UP:
        // The slide stops at period 56 (about 255 kHz on the Amiga table) instead of running
        // down to 0 and below, where no frequency exists.
        channel->period = std::max(channel->period - 4 * channel->porta_up_memory, 56);
        channel->period_delta = 0;
        channel->flags |= UPDATE_FREQUENCY;
        break;
    case EFFECT_PORTA_DOWN:
        period_add(channel, 4 * channel->porta_down_memory);
        channel->period_delta = 0;
        channel->flags |= UPDATE_FREQUENCY;
        break;
    case EFFECT_TONE_PORTA:
        channel->period_delta = 0;
        tone_porta_step(channel);
        break;
    case EFFECT_VIBRATO:
        vibrato_apply(channel);
        vibrato_advance(channel);
        break;
    case EFFECT_TONE_PORTA_VOLSLIDE:
        channel->period_delta = 0;
        tone_porta_step(channel);
        volume_slide(channel);
        break;
    case EFFECT_VIBRATO_VOLSLIDE:
        vibrato_apply(channel);
        vibrato_advance(channel);
        volume_slide(channel);
        break;
    case EFFECT_TREMOLO: tremolo_apply(channel); break;
    case EFFECT_VOLUME_SLIDE: volume_slide(channel); break;
    case EFFECT_EXTENDED: extended_tick_effect(channel, song, sound.sample, cell); break;
    case EFFECT_GLOBAL_VOLUME_SLIDE: global_volume_slide(song); break;
    case EFFECT_PANNING_SLIDE: panning_slide(channel); break;
    case EFFECT_RETRIGGER: retrigger(channel, song); break;
    case EFFECT_TREMOR: tremor_apply(channel); break;
    default: break;
    }
}
