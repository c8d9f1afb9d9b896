// State shared inside the synthesizer: the driver decodes each step into these variables, the
// DSP primitives keep their memory here, and the modules read and write them sample by sample.
// Internal to synth/ (the public interface is synth/synth.h); everything here lives in the
// namespace synth, so its short names (in, out, s0..s3) never meet the rest of the program.
#pragma once

#include <cstdint>

namespace synth {

// ---- Constants --------------------------------------------------------------------------------
constexpr int SAMPLE_RATE = 44100;
constexpr double SAMPLES_PER_MS = 44.1;
extern const double PI;     // the double nearest 3.14159265358979 (a shortened pi)
extern const double SQRT2;  // the double nearest 1.4142135623

constexpr int SLOT_COUNT = 7;
constexpr int FILTER_COUNT = 30;
constexpr int PHASE_COUNT = 20;
constexpr int WALK_COUNT = 20;
constexpr int DELAY_LINE_COUNT = 16;
constexpr int DELAY_LINE_LENGTH = 90000;
constexpr int CURVE_CAPACITY = 256;
constexpr int MAX_FLOAT_PARAMS = 16;
constexpr int MAX_BYTE_PARAMS = 8;

// ---- Sample slots (slot 0 is the work slot, slots 1..6 are instruments 0..5) ------------------
extern int32_t* slot_length;  // SLOT_COUNT entries
extern double** slot_data;    // SLOT_COUNT entries

// ---- Shared DSP state -------------------------------------------------------------------------
struct FilterState {
    double x1, x2, y1, y2;
};
extern FilterState filter_state[FILTER_COUNT];
extern double phases[PHASE_COUNT];  // phases[0] is the note phase
extern int walk_counters[WALK_COUNT];
extern double* delay_lines[DELAY_LINE_COUNT];  // DELAY_LINE_LENGTH doubles each
extern int delay_pos;

// ---- Equaliser band edges of opcode 15, radians per sample (set at the start of rendering) ----
constexpr int EQ_BAND_COUNT = 9;
extern double eq_band_low[EQ_BAND_COUNT];
extern double eq_band_high[EQ_BAND_COUNT];

// ---- One decoded step -------------------------------------------------------------------------
struct BreakpointList {
    double xs[CURVE_CAPACITY];
    double ys[CURVE_CAPACITY];
    int count;
};

extern double fparam[MAX_FLOAT_PARAMS];
extern int bparam[MAX_BYTE_PARAMS];
extern int32_t iparam[2];             // the ints of opcodes 7 and 29
extern const uint8_t* pattern_bytes;  // opcode 7: bparam[0] x bparam[1] cells in the byte pool

// The pattern of opcode 7: channels x rows cells, row by row.
constexpr int SEQUENCER_CELL_BYTES = 5;  // note, slot, volume and two unused bytes
constexpr int SEQUENCER_MAX_CHANNELS = 16;
constexpr int SEQUENCER_PATTERN_CAPACITY = 8000;  // bytes
extern BreakpointList curve1, curve2, curve3;

extern int step_slot;          // the step's target slot
extern int step_length;        // samples the step renders
extern int sample_index;       // i, 0 .. step_length - 1
extern double in;              // input sample of an in-place effect
extern double out;             // the module's result for this sample
extern double s0, s1, s2, s3;  // step registers, zero at the start of every step

// The classic C-library generator (range 0..32767), so instruments render identically everywhere.
void synth_srand(uint32_t seed);
int synth_rand();

}  // namespace synth
