// The synthesis modules, one per opcode family: each call renders sample `sample_index` of the
// current step into `out` (reading `in` for in-place effects). Some have a set-up the driver runs
// before the first sample. Internal to synth/.
#pragma once

namespace synth {

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

}  // namespace synth
