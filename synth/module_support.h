// Helpers shared by the effect and slot-processing modules, and the limits a program must keep
// for them (the driver's validation refuses a program that breaks one).
// Internal to synth/.
#pragma once

#include <cstdint>

#include "dsp.h"
#include "synth_state.h"

constexpr int SEQUENCER_CHANNEL_LIMIT = 16;  // channels of opcode 7
constexpr int PATTERN_CAPACITY = 8000;       // pattern bytes of opcode 7
constexpr int CHORUS_VOICE_LIMIT = 14;       // voice l uses filter l and walk counter l + 6

// Sample `index` of `slot`, or 0 before its start and past its end.
inline double slot_sample(int slot, int64_t index) {
    return index >= 0 && index < slot_length[slot] ? slot_data[slot][index] : 0.0;
}

// `slot` at a fractional position, linearly interpolated; silence outside the slot.
inline double slot_read(int slot, double pos) {
    return table_read_linear(pos, slot_length[slot], slot_data[slot]);
}

// x truncated toward zero. Saturated at +-2^30, beyond any step's length and any useful count,
// so that a huge or non-finite parameter cannot overflow the conversion.
inline int32_t truncate_saturated(double x) {
    constexpr double limit = 1 << 30;
    if (!(x > -limit)) return -(1 << 30);
    if (x > limit) return 1 << 30;
    return static_cast<int32_t>(x);
}

// Opcode 7 with `channels` x `rows` cells of `pattern` at `tempo` beats per minute: nullptr when
// the sequencer can play it, otherwise the reason it cannot.
const char* pattern_sequencer_check(int channels, int rows, const uint8_t* pattern, int32_t tempo);
// Opcode 82 with `voices` voices: nullptr when valid, otherwise the reason.
const char* chorus_check(int voices);
