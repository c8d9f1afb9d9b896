// Generator modules: sound from nothing. A percussion voice (filtered noise plus a sine body whose
// pitch follows its envelope) and the phase-shaped oscillator with its noise variant.
#include <cmath>

#include "dsp.h"
#include "modules.h"

namespace synth {

void percussion_voice() {
    double t = sample_index;
    double noise_env =
        attack_decay_envelope(fparam[5] * 1000.0, 0.0, 1.0, fparam[6] * fparam[6], t);
    double body_env = attack_decay_envelope(0.0, fparam[2] * 1000.0, fparam[4], fparam[3], t);
    double body = bparam[0] * fparam[13] * sin_turn(phases[0]) * body_env;
    // One random number per sample, drawn whether or not the noise is switched on.
    double noise = rand_range(-1.0, 1.0);
    double x = bparam[1] * noise_env * fparam[12] * noise + bparam[2] * body;
    double hp_mod = fparam[10] * noise_env + 1.0;
    double lp_mod = fparam[9] * noise_env + 1.0;
    double hp_cutoff = log6_to_lin(fparam[8]) * hp_mod;
    double lp_cutoff = log6_to_lin(fparam[7]) * lp_mod;
    x = highpass2(0, x, hp_cutoff, fparam[11]);
    x = lowpass2(1, x, lp_cutoff, fparam[11]);
    if (bparam[3] == 0) {
        x = highpass2(2, x, hp_cutoff, fparam[11]);
        x = lowpass2(3, x, lp_cutoff, fparam[11]);
    }
    // The body's pitch follows its envelope; this is opcode 0's only advance of the note phase.
    phase_advance(fparam[1] * body_env);
    out = hard_clip(x) + (1 - bparam[2]) * body;
}

// Bends the phase p towards a slow start and fast end (a > 0.5) or a fast start (a < 0.5).
static double shape_phase(double p, double a) {
    if (a > 0.5) return 2.0 * (a - 0.5) * pow_int(p, 6) + 2.0 * (1.0 - a) * p;
    return 2.0 * (0.5 - a) * (1.0 - pow_int(p - 1.0, 6)) + 2.0 * a * p;
}

// Odd-symmetric waveshaper: d < 0.5 towards y^5, d > 0.5 towards saturation, 0.5 linear.
static double shape_wave(double y, double d) {
    if (d < 0.5) return 2.0 * (0.5 - d) * pow_int(y, 5) + 2.0 * d * y;
    double magnitude = std::fabs(y);
    double w = 2.0 * (d - 0.5) * (1.0 - pow_int(magnitude - 1.0, 6)) + 2.0 * (1.0 - d) * magnitude;
    return y >= 0.0 ? w : -w;
}

static void shaped_source(double y) { out = shape_wave(y, fparam[2]) * fparam[3]; }

void noise_source() { shaped_source(rand_range(-1.0, 1.0)); }

void pd_oscillator() { shaped_source(sin_turn(shape_phase(phases[0], fparam[1]))); }

}  // namespace synth
