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

extern const int8_t float_param_counts[PARAM_KIND_COUNT];
extern const int8_t byte_param_counts[PARAM_KIND_COUNT];
extern const double eq_band_low_hz[EQ_BAND_COUNT];
extern const double eq_band_high_hz[EQ_BAND_COUNT];

// Where the next step's parameters start in each pool; the cursors only ever advance.
struct DecodeCursors {
    int32_t floats, bytes, ints;
};

// Decodes step `step` into fparam, bparam, the curves, iparam and pattern_bytes, advancing the
// cursors. False, with a reason, when a pool is too short for what the step takes.
bool decode_step(const SynthProgram& program, int step, DecodeCursors& cursors, const char** reason);

// The samples a step renders before truncation, for opcodes whose length comes from their own
// parameters (opcode 7 after its sequencer set-up); false for those whose length is a slot's.
bool parameter_length(int opcode, double* length);

}  // namespace synth
