// The shipped SynthProgram: 17 steps rendering the soundtrack's six instruments, with the
// parameter pools they read through running cursors, the per-kind parameter counts and the
// equaliser band edges.
#include "program.h"

namespace synth {

// Parameter counts by param_kind (opcode & 0x3F); the owning opcode is noted beside each kind.
// clang-format off
const int8_t float_param_counts[PARAM_KIND_COUNT] = {
    14, 4, 4, 4, 4, 4, 7, 0,  // 0, 129, 130, 131, 132, 5, 134, 7
    0, 8, 3, 3, 3, 3, 2, 10,  // 8, 9, 138, 139, 140, 141, 78, 15
    5, 3, 6, 5, 9, 10, 15, 1,  // 80, 81, 82, 83, 84, 21, 22, 87
    1, 0, 0, 0, 0, 0, 6, 0,    // 24, 89, 90, 27, 92, 29, 94, 31
};
const int8_t byte_param_counts[PARAM_KIND_COUNT] = {
    4, 1, 1, 1, 1, 1, 3, 3,  // 0, 129, 130, 131, 132, 5, 134, 7
    1, 8, 2, 2, 2, 2, 4, 0,  // 8, 9, 138, 139, 140, 141, 78, 15
    2, 2, 1, 0, 0, 1, 0, 2,  // 80, 81, 82, 83, 84, 21, 22, 87
    2, 3, 0, 0, 0, 0, 1, 0,  // 24, 89, 90, 27, 92, 29, 94, 31
};

// Equaliser band edges in Hz; band j spans eq_band_low_hz[j] to eq_band_high_hz[j].
const double eq_band_low_hz[EQ_BAND_COUNT] = {20, 100, 200, 400, 900, 1900, 3900, 7000, 15000};
const double eq_band_high_hz[EQ_BAND_COUNT] = {80, 150, 300, 600, 1100, 2100, 4100, 9000, 17000};

static const uint8_t shipped_opcodes[] = {0, 78, 80, 84, 0, 130, 140, 21, 0,
                                          80, 139, 82, 83, 89, 81, 89, 87};
static const uint8_t shipped_slots[] = {1, 1, 1, 1, 2, 3, 4, 4, 5, 5, 6, 6, 6, 6, 6, 6, 4};

// Each step's float parameters, then its curve points as (x, y) pairs in the order curve3,
// curve2, curve1. Durations in seconds; other units as each module defines them.
static const float shipped_float_pool[] = {
    // step 0, opcode 0: fparam
    0.5f, 79.75f, 0.0196f, 0.0f, 0.0f, 0.0f, 0.175f, 0.391f, 0.21f, 0.0f, 0.0f, 0.679f, 0.01754386f, 0.49122807f,
    // step 1, opcode 78: fparam, curve3, curve2, curve1
    0.0877193f, 0.42105263f,
    0.0f, 0.0f,  0.6142857f, 0.18571429f,  1.0f, 1.0f,
    0.0f, 0.0f,  1.0f, 1.0f,
    0.0f, 0.0f,  0.47142857f, 0.82857144f,  1.0f, 1.0f,
    // step 2, opcode 80: fparam, curve1
    0.5f, 0.98f, 0.447f, 0.238f, 1.0f,
    0.0f, 0.0f,  0.08888889f, 0.9611111f,  0.5888889f, 0.7f,  0.8611111f, 0.1f,  1.0f, 1.0f,
    // step 3, opcode 84: fparam
    34.264f, 30.799f, 23.869f, 1000.0f, 57.511f, 0.944f, 0.622f, 281.0f, 0.084f,
    // step 4, opcode 0: fparam
    0.5f, 90.0f, 0.1f, 0.5f, 0.5f, 0.0f, 0.143f, 0.839f, 0.525f, 0.798f, 0.0f, 0.0f, 0.2f, 0.5f,
    // step 5, opcode 130: fparam
    0.5f, 0.0f, 1.0f, 0.5649351f,
    // step 6, opcode 140: fparam, curve1
    0.6f, 0.5f, 0.03f,
    0.0f, 0.0f,  0.135f, 0.6231884f,  0.69f, -0.5942029f,  1.0f, 0.0f,
    // step 7, opcode 21: fparam
    0.03f, -0.14f, 0.2f, 0.0f, 38.9f, 80.0f, 0.5f, 0.7f, 0.189f, 1.0f,
    // step 8, opcode 0: fparam
    0.5f, 90.0f, 0.1f, 0.5f, 0.5f, 0.0f, 0.178f, 0.741f, 0.322f, 0.952f, 0.0f, 0.217f, 0.51578945f, 0.5f,
    // step 9, opcode 80: fparam, curve1
    0.5f, 0.98f, 1.0f, 0.441f, 1.0f,
    0.0f, 0.0f,  0.29444444f, 0.89444447f,  1.0f, 1.0f,
    // step 10, opcode 139: fparam, curve1
    2.6f, 0.5f, 0.03f,
    0.0f, 0.0f,  0.21f, 0.4057971f,  0.495f, -0.6956522f,  0.81f, -0.1884058f,  1.0f, 0.0f,
    // step 11, opcode 82: fparam
    19.709f, 10.0f, 0.0f, 250.0f, 0.0f, 0.5f,
    // step 12, opcode 83: fparam
    0.24f, 2.52f, 15.5f, 0.0f, 0.468f,
    // step 13, opcode 89: curve2, curve1
    0.0f, 0.9111111f,  1.0f, 0.87777776f,
    0.0f, 0.7222222f,  0.42068964f, 0.45555556f,  1.0f, 0.8111111f,
    // step 14, opcode 81: fparam, curve1
    1.0f, 0.0f, 2.0f,
    0.0f, 0.0f,  0.34444445f, 0.46666667f,  0.5833333f, 0.31666666f,  1.0f, 1.0f,
    // step 15, opcode 89: curve2, curve1
    0.0f, 0.36666667f,  1.0f, 0.0f,
    0.0f, 0.34444445f,  1.0f, 0.32222223f,
    // step 16, opcode 87: fparam, curve1
    1.0f,
    0.0f, 1.0f,  0.6103448f, 1.0f,  1.0f, 0.0f,
    // never read
    0.0f,
};

// Each step's byte parameters in step order: note numbers, curve point counts, voices, modes.
static const uint8_t shipped_byte_pool[] = {
    1, 1, 0, 0,   // step 0
    0, 3, 2, 3,   // step 1
    0, 5,         // step 2
    0, 1, 0, 0,   // step 4
    48,           // step 5
    48, 4,        // step 6
    4,            // step 7
    0, 1, 0, 0,   // step 8
    0, 3,         // step 9
    36, 5,        // step 10
    3,            // step 11
    0, 3, 2,      // step 13
    0, 4,         // step 14
    0, 2, 2,      // step 15
    0, 3,         // step 16
};
// clang-format on

}  // namespace synth

const SynthProgram shipped_program = {
    synth::shipped_opcodes,
    synth::shipped_slots,
    static_cast<int32_t>(sizeof synth::shipped_opcodes),
    SYNTH_INSTRUMENT_COUNT,
    synth::shipped_float_pool,
    static_cast<int32_t>(sizeof synth::shipped_float_pool / sizeof synth::shipped_float_pool[0]),
    synth::shipped_byte_pool,
    static_cast<int32_t>(sizeof synth::shipped_byte_pool),
    nullptr,
    0,
};
