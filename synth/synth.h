// The instrument synthesizer: executes a SynthProgram of synthesis steps into the sample slots at
// start-up, and hands the rendered instruments to the module loader as 16-bit samples.
#pragma once

#include <cstdint>

// A program of synthesis steps. Each step is an opcode and a target slot; its parameters are read
// from the three pools through running cursors, in step order (counts fixed per opcode).
struct SynthProgram {
    const uint8_t* opcodes;  // step_count entries
    const uint8_t* slots;    // step_count entries, target slots 1..6
    int32_t step_count;
    int32_t instrument_count;  // slots 1..instrument_count hold instruments for the loader
    const float* float_pool;
    int32_t float_pool_size;
    const uint8_t* byte_pool;
    int32_t byte_pool_size;
    const int32_t* int_pool;
    int32_t int_pool_size;
};

// The program that renders the soundtrack's six instruments.
extern const SynthProgram shipped_program;

constexpr int SYNTH_INSTRUMENT_COUNT = 6;  // instruments 0..5 live in slots 1..6
constexpr int SYNTH_MAX_LENGTH = 1 << 29;  // a step renders fewer samples than this

// SampleSlots: seven empty slots (slot 0 is the work slot). False when memory runs out.
bool synth_slots_create();
// Frees every slot's buffer and the slot tables.
void synth_slots_free();
// Length in samples and data of a slot (0 and null for an empty slot or an index beyond 0..6).
int32_t synth_slot_length(int slot);
const double* synth_slot_samples(int slot);

// Checks a program before it runs; on refusal synth_error() names what is wrong.
bool synth_validate_program(const SynthProgram& program);
// Validates and renders a program into the slots (which synth_slots_create made). False for an
// invalid program or when memory runs out (synth_error() says which); the slots then keep what
// was rendered.
bool synth_render_program(const SynthProgram& program);
// Renders the shipped program (which always validates). False only when memory runs out.
bool synth_render_all();
// Why the most recent failed validation or render failed, as one line ("sample slots not created",
// ...); empty before any failure. Like the renders themselves, for one thread at a time.
const char* synth_error();

// The module loader's sample callback: fills dest with up to byte_length / 2 samples of slot
// instrument + 1, clipped to [-1, 1] and scaled to +-32765. Instruments beyond 0..5 write nothing.
// bits_per_sample and sample_number are not used; the result carries no meaning.
int synth_fill_sample(int16_t* dest, int byte_length, int bits_per_sample, int instrument,
                      int sample_number);
