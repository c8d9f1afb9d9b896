// The synthesizer's shared state: constants, sample slots, DSP memories and the decoded step.
#include "synth_state.h"

namespace synth {

const double PI = 3.14159265358979;  // shortened pi; every use of pi in the synthesizer is this one
const double SQRT2 = 1.4142135623;   // shortened square root of two (filter damping)

int32_t* slot_length = nullptr;
double** slot_data = nullptr;

FilterState filter_state[FILTER_COUNT];
double phases[PHASE_COUNT];
int walk_counters[WALK_COUNT];
double* delay_lines[DELAY_LINE_COUNT];
int delay_pos = 0;

double eq_band_low[EQ_BAND_COUNT];
double eq_band_high[EQ_BAND_COUNT];

double fparam[MAX_FLOAT_PARAMS];
int bparam[MAX_BYTE_PARAMS];
int32_t iparam[2];
const uint8_t* pattern_bytes = nullptr;
BreakpointList curve1, curve2, curve3;

int step_slot = 0;
int step_length = 0;
int sample_index = 0;
double in = 0.0;
double out = 0.0;
double s0 = 0.0, s1 = 0.0, s2 = 0.0, s3 = 0.0;

}  // namespace synth
