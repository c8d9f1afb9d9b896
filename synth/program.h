// The program format shared by the decoder, the validator and the driver: parameter counts per
// param_kind, the equaliser band edges, and the step decoder with its three running cursors.
// Internal to synth/.
#pragma once

#include <cstdint>

#include "synth.h"
#include "synth_state.h"

namespace synth {

constexpr int PARAM_KIND_COUNT = 32;  // param_kind = opcode & 0x3F
constexpr int PITCHED_FLAG = 0x80;    // bparam[0] is a note; the driver advances note_phase
constexpr int IN_PLACE_FLAG = 0x40;   // the driver loads `in` from the target slot

// The opcodes, flags included, by the module each runs; any other value runs none.
enum Opcode : int {
    OP_PERCUSSION_VOICE = 0,
    OP_NOISE_SOURCE = 5,
    OP_PATTERN_SEQUENCER = 7,
    OP_SLOT_COPY = 8,
    OP_SLOT_MIX = 9,
    OP_GRAPHIC_EQ = 15,
    OP_CROSS_MODULATOR = 21,
    OP_GRAIN_CLOUD = 22,
    OP_VARISPEED_READ = 24,
    OP_SLOT_REVERSE = 27,
    OP_SLOT_CROP = 29,
    OP_SLOT_CLEAR = 31,
    OP_NONLINEAR_RESONATOR = IN_PLACE_FLAG | 14,
    OP_BAND_COMPRESSOR = IN_PLACE_FLAG | 16,
    OP_BAND_WAVESHAPER = IN_PLACE_FLAG | 17,
    OP_CHORUS = IN_PLACE_FLAG | 18,
    OP_FLANGER = IN_PLACE_FLAG | 19,
    OP_COMB_REVERB = IN_PLACE_FLAG | 20,
    OP_GAIN_ENVELOPE = IN_PLACE_FLAG | 23,
    OP_SWEPT_FILTER = IN_PLACE_FLAG | 25,
    OP_POLARITY_INVERT = IN_PLACE_FLAG | 26,
    OP_NORMALISE = IN_PLACE_FLAG | 28,
    OP_DELAY_NETWORK_REVERB = IN_PLACE_FLAG | 30,
    // The phase-shaped oscillator in four kinds (1 to 4) of parameter counts.
    OP_PD_OSCILLATOR_1 = PITCHED_FLAG | 1,
    OP_PD_OSCILLATOR_2 = PITCHED_FLAG | 2,
    OP_PD_OSCILLATOR_3 = PITCHED_FLAG | 3,
    OP_PD_OSCILLATOR_4 = PITCHED_FLAG | 4,
    OP_ADDITIVE_OSCILLATOR = PITCHED_FLAG | 6,
    OP_CURVE_OSCILLATOR = PITCHED_FLAG | 10,
    OP_STEP_OSCILLATOR = PITCHED_FLAG | 11,
    OP_SMOOTH_CURVE_OSCILLATOR = PITCHED_FLAG | 12,
    OP_BLURRED_CURVE_OSCILLATOR = PITCHED_FLAG | 13,
};
static_assert(OP_NONLINEAR_RESONATOR == 78 && OP_DELAY_NETWORK_REVERB == 94 &&
              OP_PD_OSCILLATOR_1 == 129 && OP_BLURRED_CURVE_OSCILLATOR == 141);

extern const int8_t float_param_counts[PARAM_KIND_COUNT];
extern const int8_t byte_param_counts[PARAM_KIND_COUNT];
extern const double eq_band_low_hz[EQ_BAND_COUNT];
extern const double eq_band_high_hz[EQ_BAND_COUNT];

// Where the next step's parameters start in each pool; the cursors only ever advance.
struct DecodeCursors {
    int32_t floats, bytes, ints;
};

// Decodes step `step` into fparam, bparam, the curves, iparam and pattern_bytes, advancing the
// cursors. False, with the reason for synth_error(), when a pool is too short for what the step
// takes.
bool decode_step(const SynthProgram& program, int step, DecodeCursors& cursors);

// Records reason (a string literal) for synth_error() and returns false.
bool synth_fail(const char* reason);

// The samples a step renders before truncation, for opcodes whose length comes from their own
// parameters (the pattern sequencer's after its set-up); false for those whose length is a slot's.
bool parameter_length(int opcode, double* length);

}  // namespace synth
