// Shaping, dynamics and filter effects: in-place modules that reshape a rendered slot.
// Each call turns `in` (sample `sample_index` of the target slot) into `out`; memory kept across
// samples lives in the step registers s0..s3 and in FilterState entries 0 and 1.
#include <cmath>

#include "dsp.h"
#include "modules.h"
#include "synth_state.h"

namespace synth {

// Maps a signed amplitude through a curve on the 6-neper scale. Amplitudes at or below e^-6 are
// left alone: the scale maps them all to 0, and shaping them would zero quiet detail.
static double shape_log6(double x, const BreakpointList& curve) {
    if (std::log(std::fabs(x)) > -6.0) {
        return log6_to_lin_signed(curve_linear_odd(lin_to_log6_signed(x), curve));
    }
    return x;
}

static double lin_to_log9_signed(double x) { return x >= 0.0 ? lin_to_log9(x) : -lin_to_log9(-x); }

static double log9_to_lin_signed(double y) { return y >= 0.0 ? log9_to_lin(y) : -log9_to_lin(-y); }

// Opcode 78: a mass on a nonlinear spring driven by the first difference of the input.
// s1 is the mass's position (the output), s2 its velocity, s0 the previous input.
void nonlinear_resonator() {
    in = shape_log6(in, curve1);
    const double force = log9_to_lin_signed(curve_linear_odd(lin_to_log9_signed(s1), curve3));
    s2 = s2 - log9_to_lin(fparam[1]) * 0.09 * force;
    const double n = in - s0 + s2;
    const double loss =
        std::fabs(log6_to_lin_signed(curve_linear_odd(lin_to_log6_signed(100.0 * n), curve2)));
    s3 = 1.0 - log9_to_lin(fparam[0]) * loss;
    s1 = s1 + n * s3;
    s2 = s3 * 0.999 * s2;
    s0 = in;
    out = s1;
}

// Splits off the band between the low-pass corner and the high-pass corner (both on the
// 6-neper scale) and leaves the rest of the signal in s0.
static double split_band(double lowpass_setting, double highpass_setting) {
    double band = lowpass2(0, in, log6_to_lin(lowpass_setting), 0.0);
    band = highpass2(1, band, log6_to_lin(highpass_setting), 0.0);
    s0 = in - band;
    return band;
}

// Opcode 80: compresses one band through a static level curve; s3 is the band's envelope.
void band_compressor() {
    double band = split_band(fparam[2], fparam[3]);
    const double level = std::fabs(band);
    if (level > s3) s3 = level;
    const double smoothing = log9_to_lin(1.0 - fparam[1]);
    s3 = level * fparam[0] * smoothing + (1.0 - smoothing) * s3;
    // A silent envelope bypasses the gain stage instead of dividing by zero.
    if (s3 != 0.0) band = band * log6_to_lin(curve_linear(lin_to_log6(s3), curve1)) / s3;
    out = (band + s0) * fparam[4];
}

// Opcode 81: a symmetric waveshaper applied to one band.
void band_waveshaper() {
    const double band = shape_log6(split_band(fparam[0], fparam[1]), curve1);
    out = (band + s0) * fparam[2];
}

// Opcode 87: gain in decades (fparam[0] = 1 is unity) times an envelope over the slot.
void gain_envelope() {
    const double progress = static_cast<double>(sample_index) / static_cast<double>(step_length);
    const double envelope = curve_linear(progress, curve1);
    out = hard_clip(std::pow(10.0, fparam[0] - 1.0) * in * envelope);
}

// Opcode 89: a resonant two-pole filter whose corner (on a fourth-power scale) and resonance
// follow curves over the slot; bparam[0] chooses high-pass (non-zero) or low-pass.
void swept_filter() {
    const double progress = static_cast<double>(sample_index) / static_cast<double>(step_length);
    const double a = curve_linear(progress, curve1);
    const double cutoff = a * a * a * a;
    const double res = curve_linear(progress, curve2);
    const double y = bparam[0] != 0 ? highpass2(0, in, cutoff, res) : lowpass2(0, in, cutoff, res);
    out = hard_clip(y);
}

// Opcode 90.
void polarity_invert() { out = -in; }

// Opcode 92, before the first sample: s3 becomes the gain that brings the slot's peak to 1.
// A slot of zeros keeps gain 0.
void normalise_scan() {
    const double* samples = slot_data[step_slot];
    s3 = 0.0;
    for (int32_t k = 0; k < slot_length[step_slot]; ++k) {
        if (std::fabs(samples[k]) > s3) s3 = std::fabs(samples[k]);
    }
    if (s3 > 0.0) s3 = 1.0 / s3;
}

// Opcode 92.
void normalise() { out = in * s3; }

}  // namespace synth
