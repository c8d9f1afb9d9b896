// The synthesis driver: runs a program step by step. Each step decodes its parameters, resets the
// shared DSP state, renders its samples into the work slot through its module and finally
// replaces its target slot with the work slot.
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "dsp.h"
#include "modules.h"
#include "program.h"

namespace synth {

using ModuleFn = void (*)();

constexpr double EQ_HZ_TO_RADIANS = 0.0001424758573056594;  // 2 pi / 44100

// Why the last validation or render failed; every reason is a string literal, so the pointer is
// all that is kept.
static const char* last_error = "";

bool synth_fail(const char* reason) {
    last_error = reason;
    return false;
}

// The positions of the delay lines written since they were last cleared: delay-line modules
// write at delay_pos only, so clearing the positions a step passed over restores all-zero lines.
static int32_t dirty_start = 0;
static int32_t dirty_count = 0;

static ModuleFn module_for(int opcode) {
    switch (opcode) {
    case OP_PERCUSSION_VOICE: return percussion_voice;
    case OP_NOISE_SOURCE: return noise_source;
    case OP_PATTERN_SEQUENCER: return pattern_sequencer;
    case OP_SLOT_COPY: return slot_copy;
    case OP_SLOT_MIX: return slot_mix;
    case OP_GRAPHIC_EQ: return graphic_eq;
    case OP_CROSS_MODULATOR: return cross_modulator;
    case OP_GRAIN_CLOUD: return grain_cloud;
    case OP_VARISPEED_READ: return varispeed_read;
    case OP_SLOT_REVERSE: return slot_reverse;
    case OP_SLOT_CROP: return slot_crop;
    case OP_NONLINEAR_RESONATOR: return nonlinear_resonator;
    case OP_BAND_COMPRESSOR: return band_compressor;
    case OP_BAND_WAVESHAPER: return band_waveshaper;
    case OP_CHORUS: return chorus;
    case OP_FLANGER: return flanger;
    case OP_COMB_REVERB: return comb_reverb;
    case OP_GAIN_ENVELOPE: return gain_envelope;
    case OP_SWEPT_FILTER: return swept_filter;
    case OP_POLARITY_INVERT: return polarity_invert;
    case OP_NORMALISE: return normalise;
    case OP_DELAY_NETWORK_REVERB: return delay_network_reverb;
    case OP_PD_OSCILLATOR_1:
    case OP_PD_OSCILLATOR_2:
    case OP_PD_OSCILLATOR_3:
    case OP_PD_OSCILLATOR_4: return pd_oscillator;
    case OP_ADDITIVE_OSCILLATOR: return additive_oscillator;
    case OP_CURVE_OSCILLATOR: return curve_oscillator;
    case OP_STEP_OSCILLATOR: return step_oscillator;
    case OP_SMOOTH_CURVE_OSCILLATOR: return smooth_curve_oscillator;
    case OP_BLURRED_CURVE_OSCILLATOR: return blurred_curve_oscillator;
    default: return nullptr;  // no module: the step repeats `out`
    }
}

static bool writes_delay_lines(int opcode) {
    return opcode == OP_CHORUS || opcode == OP_FLANGER || opcode == OP_COMB_REVERB ||
           opcode == OP_DELAY_NETWORK_REVERB;
}

static void clear_dirty_delay_lines() {
    int32_t first_run = dirty_count < DELAY_LINE_LENGTH - dirty_start
                            ? dirty_count
                            : DELAY_LINE_LENGTH - dirty_start;
    for (double* line : delay_lines) {
        std::memset(line + dirty_start, 0, sizeof(double) * first_run);
        std::memset(line, 0, sizeof(double) * (dirty_count - first_run));
    }
    dirty_count = 0;
}

// Every step starts from cleared filters, walks, phases and delay lines, registers at 0 and the
// random sequence from srand(0), so its result depends only on its parameters and slots.
static void reset_step_state() {
    clear_dirty_delay_lines();
    filters_reset();
    std::memset(walk_counters, 0, sizeof walk_counters);
    std::memset(phases, 0, sizeof phases);
    synth_srand(0);
    s0 = s1 = s2 = s3 = 0.0;
}

static void prepare_module(int opcode) {
    if (opcode == OP_ADDITIVE_OSCILLATOR) additive_oscillator_prepare();
    if (opcode == OP_GRAPHIC_EQ) graphic_eq_design();
    if (opcode == OP_GRAIN_CLOUD) grain_cloud_clear();
}

static int32_t step_length_for(int opcode, int slot) {
    double length = 0.0;
    if (!parameter_length(opcode, &length)) {
        if (opcode == OP_SLOT_COPY) return slot_length[bparam[0]];
        if (opcode != OP_SLOT_MIX) return slot_length[slot];
        int32_t longest = 0;
        for (int k = 0; k < MAX_BYTE_PARAMS; k++) {
            if (bparam[k] != 0 && slot_length[bparam[k]] > longest)
                longest = slot_length[bparam[k]];
        }
        return longest;
    }
    return length > 0.0 ? static_cast<int32_t>(length) : 0;  // truncates toward zero
}

static void slot_clear(int slot) {
    std::free(slot_data[slot]);
    slot_data[slot] = nullptr;
    slot_length[slot] = 0;
}

// Gives `slot` a zeroed buffer of `length` samples. False when memory runs out.
static bool slot_allocate(int slot, int32_t length) {
    slot_clear(slot);
    if (length == 0) return true;
    slot_data[slot] =
        static_cast<double*>(std::calloc(static_cast<size_t>(length), sizeof(double)));
    if (slot_data[slot] == nullptr) return false;
    slot_length[slot] = length;
    return true;
}

static void render_samples(int opcode, int slot, int32_t length) {
    ModuleFn module = module_for(opcode);
    bool in_place = (opcode & IN_PLACE_FLAG) != 0;
    bool pitched = (opcode & PITCHED_FLAG) != 0;
    double note_frequency = 440.0 * std::pow(2.0, (bparam[0] - 57) / 12.0);
    const double* target = slot_data[slot];
    double* work = slot_data[0];
    for (int32_t i = 0; i < length; i++) {
        sample_index = i;
        if (in_place) in = target[i];
        if (module != nullptr) module();
        // Advanced after the sample, so the module of the next sample sees the phase one step on.
        if (pitched) phase_advance(note_frequency);
        delay_pos = delay_pos + 1 == DELAY_LINE_LENGTH ? 0 : delay_pos + 1;
        // This reverb's ring writes land at the new position, one sample later than other modules'.
        if (opcode == OP_DELAY_NETWORK_REVERB) delay_network_reverb_write();
        work[i] = out;
    }
}

static bool render_step(int opcode, int slot) {
    step_slot = slot;
    if (opcode == OP_PATTERN_SEQUENCER) pattern_sequencer_setup();
    reset_step_state();
    prepare_module(opcode);
    int32_t length = step_length_for(opcode, slot);
    step_length = length;
    if (opcode == OP_NORMALISE) normalise_scan();
    if (opcode == OP_SLOT_CLEAR) {
        slot_clear(slot);
        return true;
    }
    if (!slot_allocate(0, length)) return false;
    int32_t start = delay_pos;
    render_samples(opcode, slot, length);
    if (writes_delay_lines(opcode)) {
        dirty_start = start;
        // One more than the samples rendered: the delay-network reverb writes after the advance.
        dirty_count = length < DELAY_LINE_LENGTH - 1 ? length + 1 : DELAY_LINE_LENGTH;
    }
    if (!slot_allocate(slot, length)) return false;
    if (length > 0) std::memcpy(slot_data[slot], slot_data[0], sizeof(double) * length);
    return true;
}

static void convert_eq_bands() {
    for (int j = 0; j < EQ_BAND_COUNT; j++) {
        eq_band_low[j] = eq_band_low_hz[j] * EQ_HZ_TO_RADIANS;
        eq_band_high[j] = eq_band_high_hz[j] * EQ_HZ_TO_RADIANS;
    }
}

static bool allocate_delay_lines() {
    for (double*& line : delay_lines) {
        line = static_cast<double*>(std::calloc(DELAY_LINE_LENGTH, sizeof(double)));
        if (line == nullptr) return false;
    }
    dirty_count = 0;
    return true;
}

static void release_render_memory() {
    slot_clear(0);
    for (double*& line : delay_lines) {
        std::free(line);
        line = nullptr;
    }
}

static bool run_steps(const SynthProgram& program) {
    DecodeCursors cursors{0, 0, 0};
    for (int step = 0; step < program.step_count; step++) {
        if (!decode_step(program, step, cursors)) return false;
        if (!render_step(program.opcodes[step], program.slots[step]))
            return synth_fail("out of memory for a slot");
    }
    return true;
}

}  // namespace synth

bool synth_render_program(const SynthProgram& program) {
    if (synth::slot_length == nullptr || synth::slot_data == nullptr)
        return synth::synth_fail("sample slots not created");
    if (!synth_validate_program(program)) return false;
    synth::convert_eq_bands();
    // Delay reads interpolate at delay_pos - d, whose rounding depends on delay_pos: starting every
    // render at 0 keeps repeated renders of a program identical to the first.
    synth::delay_pos = 0;
    bool ok = synth::allocate_delay_lines();
    if (!ok) synth::synth_fail("out of memory for the delay lines");
    if (ok) ok = synth::run_steps(program);
    synth::release_render_memory();
    return ok;
}

bool synth_render_all() { return synth_render_program(shipped_program); }

const char* synth_error() { return synth::last_error; }
