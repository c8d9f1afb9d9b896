// Opcode 7, the pattern sequencer: plays slots from a small pattern of notes, like a tracker
// with one sample per cell, no looping and a linear volume ramp across each row.
#include <cmath>
#include <cstring>

#include "module_support.h"
#include "modules.h"
#include "synth_state.h"

namespace synth {

struct SequencerChannel {
    int active;
    int slot;
    double note;
    double start_volume;
    double end_volume;
};

static uint8_t pattern[SEQUENCER_PATTERN_CAPACITY];
static SequencerChannel channels[SEQUENCER_MAX_CHANNELS];
static int channel_count;
static int row_count;
static int current_row;
static double row_samples;

// Copies the step's pattern into the zeroed buffer and clears every channel. Validation keeps
// the pattern within 16 channels and 8000 bytes, its slots within 0..6 and the tempo positive.
void pattern_sequencer_setup() {
    channel_count = bparam[0];
    row_count = bparam[1];
    std::memset(pattern, 0, sizeof pattern);
    size_t bytes = static_cast<size_t>(channel_count * row_count * SEQUENCER_CELL_BYTES);
    std::memcpy(pattern, pattern_bytes, bytes);
    std::memset(channels, 0, sizeof channels);
    current_row = -1;
    row_samples = bparam[2] * 2646000.0 / (iparam[0] * 4.0 * 6.0);
}

// bparam[2] ticks per row at the tempo in beats per minute: 110250 samples per tick at 1 bpm.
double pattern_sequencer_row_samples() { return row_samples; }

static const uint8_t empty_cell[SEQUENCER_CELL_BYTES] = {};

// The cell of `row` and `channel`; the row after the last reads as empty cells.
static const uint8_t* cell_at(int row, int channel) {
    if (row < 0 || row >= row_count) return empty_cell;
    return pattern + (row * channel_count + channel) * SEQUENCER_CELL_BYTES;
}

static int cell_note(const uint8_t* cell) { return static_cast<int8_t>(cell[0]); }
static int cell_slot(const uint8_t* cell) { return static_cast<int8_t>(cell[1]); }
static int cell_volume(const uint8_t* cell) { return static_cast<int8_t>(cell[2]); }

// Volume byte v = 1..100 stands for (v - 1)/99.
static double volume_level(int volume) { return (volume - 1) / 99.0; }

static void start_row_channel(int c) {
    SequencerChannel& channel = channels[c];
    const uint8_t* cell = cell_at(current_row, c);
    const uint8_t* next = cell_at(current_row + 1, c);
    if (cell_note(cell) != 0) {
        channel.note = cell_note(cell);
        phases[c] = 0.0;
        channel.slot = cell_slot(cell);
        channel.active = channel.slot != 0;  // slot byte 0 switches the channel off
        channel.start_volume = cell_volume(cell) == 0 ? 1.0 : volume_level(cell_volume(cell));
    } else if (cell_volume(cell) != 0) {
        channel.start_volume = volume_level(cell_volume(cell));
    }
    // Fade out before the next note, glide to the next volume, or hold.
    if (cell_note(next) != 0) {
        channel.end_volume = 0.0;
    } else if (cell_volume(next) != 0) {
        channel.end_volume = volume_level(cell_volume(next));
    } else {
        channel.end_volume = channel.start_volume;
    }
}

void pattern_sequencer() {
    out = 0.0;
    const double t = sample_index / row_samples;
    const int row = static_cast<int>(std::floor(t));
    if (row != current_row) {
        current_row = row;
        for (int c = 0; c < channel_count; ++c) start_row_channel(c);
    }
    const double frac = t - current_row;
    for (int c = 0; c < channel_count; ++c) {
        SequencerChannel& channel = channels[c];
        if (!channel.active) continue;
        const double v = slot_read(channel.slot, phases[c]);
        // Note 48 plays the slot at its recorded speed; each semitone scales it by 2^(1/12).
        phases[c] += std::pow(2.0, (channel.note - 48.0) / 12.0);
        out += ((1.0 - frac) * channel.start_volume + frac * channel.end_volume) * v;
    }
}

}  // namespace synth
