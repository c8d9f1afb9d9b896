// State shared inside the synthesizer: the driver decodes each step into these variables, the
// DSP primitives keep their memory here, and the modules read and write them sample by sample.
// Internal to synth/: the public interface is synth/synth.h.
#pragma once

#include <cstdint>

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
extern int32_t iparam[2];            // the ints of opcodes 7 and 29
extern const uint8_t* pattern_bytes;  // opcode 7: bparam[0] x bparam[1] x 5 bytes in the byte pool
extern BreakpointList curve1, curve2, curve3;

extern int step_slot;     // the step's target slot
extern int step_length;   // samples the step renders
extern int sample_index;  // i, 0 .. step_length - 1
extern double in;         // input sample of an in-place effect
extern double out;        // the module's result for this sample
extern double s0, s1, s2, s3;  // step registers, zero at the start of every step

// The classic C-library generator (range 0..32767), so instruments render identically everywhere.
void synth_srand(uint32_t seed);
int synth_rand();

// ---- Modules: one call renders sample `sample_index` into `out` -------------------------------
// Generators
void percussion_voice();
void noise_source();
void pd_oscillator();
// Shaping, dynamics and filters
void nonlinear_resonator();
void band_compressor();
void band_waveshaper();
void gain_envelope();
void swept_filter();
void polarity_invert();
void normalise();
void normalise_scan();  // before the first sample
// Slot processing
void pattern_sequencer();
void pattern_sequencer_setup();  // at decode time
void slot_copy();
void slot_mix();
void graphic_eq();
void graphic_eq_design();  // before the first sample
void cross_modulator();
void grain_cloud();
void grain_cloud_clear();  // before the first sample
void varispeed_read();
void slot_reverse();
void slot_crop();
double pattern_sequencer_row_samples();  // row length in samples, for the step length
// Delay-line effects
void chorus();
void flanger();
void comb_reverb();
void delay_network_reverb();
void delay_network_reverb_write();  // the driver's writes after delay_pos has advanced
// Wavetable oscillators
void additive_oscillator();
void additive_oscillator_prepare();  // builds the cycle table before the first sample
void curve_oscillator();
void step_oscillator();
void smooth_curve_oscillator();
void blurred_curve_oscillator();
