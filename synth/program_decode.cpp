// Step decoding: each step takes its parameters from the pools where the previous step stopped,
// the counts fixed by its param_kind, followed by opcode-specific curves, pattern bytes and ints.
#include "modules.h"
#include "program.h"

namespace synth {

static bool take_floats(const SynthProgram& p, DecodeCursors& c, int count, double* to) {
    if (count > p.float_pool_size - c.floats) return false;
    for (int k = 0; k < count; k++) to[k] = p.float_pool[c.floats + k];  // widened exactly
    c.floats += count;
    return true;
}

// A breakpoint list of `count` (x, y) points, x first.
static bool take_curve(const SynthProgram& p, DecodeCursors& c, int count, BreakpointList& curve) {
    if (count > CURVE_CAPACITY || 2 * count > p.float_pool_size - c.floats) return false;
    for (int k = 0; k < count; k++) {
        curve.xs[k] = p.float_pool[c.floats + 2 * k];
        curve.ys[k] = p.float_pool[c.floats + 2 * k + 1];
    }
    curve.count = count;
    c.floats += 2 * count;
    return true;
}

static bool take_ints(const SynthProgram& p, DecodeCursors& c, int count) {
    if (count > p.int_pool_size - c.ints) return false;
    for (int k = 0; k < count; k++) iparam[k] = p.int_pool[c.ints + k];
    c.ints += count;
    return true;
}

static bool take_bytes(const SynthProgram& p, DecodeCursors& c, int count) {
    if (count > p.byte_pool_size - c.bytes) return false;
    for (int k = 0; k < count; k++) bparam[k] = p.byte_pool[c.bytes + k];
    c.bytes += count;
    return true;
}

static bool take_pattern(const SynthProgram& p, DecodeCursors& c) {
    int count = bparam[0] * bparam[1] * SEQUENCER_CELL_BYTES;
    if (count > p.byte_pool_size - c.bytes) return false;
    pattern_bytes = p.byte_pool + c.bytes;
    c.bytes += count;
    return true;
}

static bool take_curves(const SynthProgram& p, int opcode, DecodeCursors& c) {
    switch (opcode) {
    case OP_NONLINEAR_RESONATOR:
        return take_curve(p, c, bparam[3], curve3) && take_curve(p, c, bparam[2], curve2) &&
               take_curve(p, c, bparam[1], curve1);
    case OP_SWEPT_FILTER:
        return take_curve(p, c, bparam[2], curve2) && take_curve(p, c, bparam[1], curve1);
    case OP_VARISPEED_READ:
    case OP_BAND_COMPRESSOR:
    case OP_BAND_WAVESHAPER:
    case OP_GAIN_ENVELOPE:
    case OP_ADDITIVE_OSCILLATOR:
    case OP_CURVE_OSCILLATOR:
    case OP_STEP_OSCILLATOR:
    case OP_SMOOTH_CURVE_OSCILLATOR:
    case OP_BLURRED_CURVE_OSCILLATOR: return take_curve(p, c, bparam[1], curve1);
    default: return true;
    }
}

bool decode_step(const SynthProgram& program, int step, DecodeCursors& cursors) {
    int opcode = program.opcodes[step];
    int kind = opcode & 0x3F;
    // The count tables cover kinds 0..31; the six-bit kinds above them take no parameters.
    int float_count = kind < PARAM_KIND_COUNT ? float_param_counts[kind] : 0;
    int byte_count = kind < PARAM_KIND_COUNT ? byte_param_counts[kind] : 0;
    if (!take_floats(program, cursors, float_count, fparam))
        return synth_fail("float pool too short for a step's parameters");
    if (!take_bytes(program, cursors, byte_count))
        return synth_fail("byte pool too short for a step's parameters");
    if (!take_curves(program, opcode, cursors))
        return synth_fail("float pool too short for a step's curve points");
    bool extra_ok = true;
    if (opcode == OP_PATTERN_SEQUENCER) {
        extra_ok = take_pattern(program, cursors) && take_ints(program, cursors, 1);
    }
    if (opcode == OP_SLOT_CROP) extra_ok = take_ints(program, cursors, 2);
    if (!extra_ok) {
        return synth_fail(opcode == OP_PATTERN_SEQUENCER
                              ? "byte or int pool too short for the pattern sequencer"
                              : "int pool too short for the crop range");
    }
    return true;
}

bool parameter_length(int opcode, double* length) {
    switch (opcode) {
    case OP_PERCUSSION_VOICE:
    case OP_NOISE_SOURCE:
    case OP_GRAIN_CLOUD:
    case OP_PD_OSCILLATOR_1:
    case OP_PD_OSCILLATOR_2:
    case OP_PD_OSCILLATOR_3:
    case OP_PD_OSCILLATOR_4:
    case OP_ADDITIVE_OSCILLATOR:
    case OP_CURVE_OSCILLATOR:
    case OP_STEP_OSCILLATOR:
    case OP_SMOOTH_CURVE_OSCILLATOR:
    case OP_BLURRED_CURVE_OSCILLATOR: *length = fparam[0] * SAMPLE_RATE; return true;
    case OP_PATTERN_SEQUENCER: *length = bparam[1] * pattern_sequencer_row_samples(); return true;
    case OP_SLOT_CROP: *length = static_cast<double>(iparam[1]) - iparam[0] + 1.0; return true;
    default: return false;
    }
}

}  // namespace synth
