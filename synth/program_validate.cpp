// Program validation: a program runs only if every step's parameters stay within the pools and
// within what the modules can index, so no program can corrupt memory.
#include <cmath>

#include "modules.h"
#include "program.h"

namespace synth {

constexpr int CHORUS_MAX_VOICES = 14;          // voice l uses walk counter l + 6, the last is 19
constexpr double GRAIN_MAX_INTERVAL_MS = 1e6;  // keeps the spawn countdown within an int

static bool instrument_slot(int slot) { return slot >= 1 && slot < SLOT_COUNT; }

static const char* check_pattern() {
    if (bparam[0] > SEQUENCER_MAX_CHANNELS) return "pattern sequencer has more than 16 channels";
    int cells = bparam[0] * bparam[1];
    if (cells * SEQUENCER_CELL_BYTES > SEQUENCER_PATTERN_CAPACITY)
        return "pattern sequencer pattern exceeds 8000 bytes";
    if (iparam[0] <= 0) return "pattern sequencer tempo must be positive";
    for (int cell = 0; cell < cells; cell++) {
        int slot = static_cast<int8_t>(pattern_bytes[cell * SEQUENCER_CELL_BYTES + 1]);
        if (slot < 0 || slot >= SLOT_COUNT)
            return "pattern sequencer cell names a slot beyond 0..6";
    }
    return nullptr;
}

static const char* check_chorus() {
    if (bparam[0] == 0) return "chorus needs at least one voice";
    if (bparam[0] > CHORUS_MAX_VOICES) return "chorus has more than 14 voices";
    if (!(std::fabs(fparam[3] * 100.0) < 1e9)) return "chorus modulation slowness out of range";
    return nullptr;
}

static const char* check_grain_cloud() {
    for (int k = 9; k <= 10; k++) {
        if (!(std::fabs(fparam[k]) <= GRAIN_MAX_INTERVAL_MS))
            return "grain spawn interval out of range";
    }
    return nullptr;
}

static const char* check_slot_sources(int opcode) {
    if ((opcode == OP_SLOT_COPY || opcode == OP_CROSS_MODULATOR) && !instrument_slot(bparam[0]))
        return "source slot must be 1..6";
    if (opcode == OP_SLOT_MIX) {
        for (int k = 0; k < MAX_BYTE_PARAMS; k++) {
            if (bparam[k] >= SLOT_COUNT) return "mixed slot beyond 6";
        }
    }
    return nullptr;
}

static const char* check_length(int opcode) {
    double length = 0.0;
    if (opcode == OP_PATTERN_SEQUENCER) pattern_sequencer_setup();
    if (!parameter_length(opcode, &length)) return nullptr;
    if (!(length < SYNTH_MAX_LENGTH))
        return "step length of 2^29 samples or more (or not a number)";
    return nullptr;
}

static const char* check_step(int opcode, int slot) {
    if (!instrument_slot(slot)) return "target slot must be 1..6";
    const char* problem = check_slot_sources(opcode);
    if (problem == nullptr && opcode == OP_PATTERN_SEQUENCER) problem = check_pattern();
    if (problem == nullptr && opcode == OP_CHORUS) problem = check_chorus();
    if (problem == nullptr && opcode == OP_GRAIN_CLOUD) problem = check_grain_cloud();
    if (problem == nullptr) problem = check_length(opcode);
    return problem;
}

static const char* check_tables(const SynthProgram& p) {
    if (p.step_count < 0) return "negative step count";
    if (p.step_count > 0 && (p.opcodes == nullptr || p.slots == nullptr))
        return "missing step tables";
    if (p.instrument_count < 0 || p.instrument_count > SYNTH_INSTRUMENT_COUNT)
        return "instrument count beyond 0..6";
    if (p.float_pool_size < 0 || (p.float_pool_size > 0 && p.float_pool == nullptr))
        return "missing float pool";
    if (p.byte_pool_size < 0 || (p.byte_pool_size > 0 && p.byte_pool == nullptr))
        return "missing byte pool";
    if (p.int_pool_size < 0 || (p.int_pool_size > 0 && p.int_pool == nullptr))
        return "missing int pool";
    return nullptr;
}

}  // namespace synth

bool synth_validate_program(const SynthProgram& program) {
    const char* problem = synth::check_tables(program);
    if (problem != nullptr) return synth::synth_fail(problem);
    synth::DecodeCursors cursors{0, 0, 0};
    for (int step = 0; step < program.step_count; step++) {
        if (!synth::decode_step(program, step, cursors)) return false;
        problem = synth::check_step(program.opcodes[step], program.slots[step]);
        if (problem != nullptr) return synth::synth_fail(problem);
    }
    return true;
}
