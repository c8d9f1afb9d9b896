// DSP primitives the synthesis modules are built from: amplitude curves, clamps, interpolated
// table and delay-line reads, two-pole filter sections, an envelope, breakpoint-curve lookups,
// random walks, an additive wavetable builder and a modulated feedback comb.
// All work in double precision at 44100 samples per second. Those with memory keep it in the
// shared state of synth_state.h, which the driver clears at the start of every step.
// Internal to synth/.
#pragma once

#include "synth_state.h"

namespace synth {

constexpr int HARMONIC_COUNT = 64;       // HarmonicPair entries; pair 0 is not read
constexpr int CYCLE_TABLE_LENGTH = 128;  // entries of an additive cycle table

// Amplitudes of one harmonic: the cosine term first, then the sine term.
struct HarmonicPair {
    double cos_amp, sin_amp;
};

// ---- Curves and clamps ------------------------------------------------------------------------
double pow_int(double x, int n);
double smoothstep(double a);
double rand_range(double lo, double hi);
double lin_to_log9(double x);
double lin_to_log6(double x);
double log9_to_lin(double y);
double log6_to_lin(double y);
double lin_to_log6_signed(double x);
double log6_to_lin_signed(double y);
double hard_clip(double x);

// ---- Table and delay reads --------------------------------------------------------------------
double table_read_wrap(int n, double pos, const double* table);
double table_read_linear(double pos, int n, const double* buffer);
double delay_read(int line, double delay_samples);

// ---- Oscillator functions ---------------------------------------------------------------------
void phase_advance(double frequency_hz);
double sin_turn(double turns);
void additive_table_build(const HarmonicPair list[HARMONIC_COUNT],
                          double table[CYCLE_TABLE_LENGTH]);

// ---- Envelope ---------------------------------------------------------------------------------
double attack_decay_envelope(double attack_ms, double decay_ms, double level, double base,
                             double t_samples);

// ---- Two-pole filter sections (cutoff as a fraction of half the sample rate) ------------------
void filters_reset();
double lowpass2(int index, double x, double cutoff, double res);
double highpass2(int index, double x, double cutoff, double res);

// ---- Breakpoint curves ------------------------------------------------------------------------
double curve_linear(double x, const double* ys, const double* xs, int n);
double curve_linear_odd(double x, const double* ys, const double* xs, int n);
double curve_smooth(double x, const double* ys, const double* xs, int n);
double curve_linear(double x, const BreakpointList& curve);
double curve_linear_odd(double x, const BreakpointList& curve);
double curve_smooth(double x, const BreakpointList& curve);

// ---- Random walks -----------------------------------------------------------------------------
double walk_bounded(int index, int n);
double walk_wrapped(int index, int n);

// ---- Modulated feedback comb ------------------------------------------------------------------
double modulated_comb(double x, double delay, double decay, double mod_rate, double depth,
                      int index, int line);

}  // namespace synth
