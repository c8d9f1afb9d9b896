// Wavetable oscillators: a pitched single-cycle shape read at note_phase, built additively from 63
// harmonics or read from curve1 linearly, as steps, smoothly or blurred.
#include <cmath>

#include "dsp.h"
#include "modules.h"

namespace synth {

constexpr int RIPPLE_SPAN = 320;  // harmonic positions L = 5j - 3 are read on a 0..320 scale

static HarmonicPair harmonics[HARMONIC_COUNT];
static double cycle_table[CYCLE_TABLE_LENGTH];

// The roll-off factor of harmonic j for the given mode; other modes leave the amplitude alone.
static double rolloff(int mode, int j) {
    switch (mode) {
    case 0: return 0.15;
    case 1: return 0.5 / j;
    case 2: return 1.0 / (j * j);
    case 3: return 1.0 / std::log(100.0 * (j - 1) + 10.0);
    default: return 1.0;
    }
}

void additive_oscillator_prepare() {
    double ramp = 0.0;
    harmonics[0] = HarmonicPair{0.0, 0.0};
    for (int j = 1; j < HARMONIC_COUNT; j++) {
        ramp = ramp + fparam[2] * PI;
        double r = rand_range(0.0, 1.0);
        double phase = r * fparam[3] * 2.0 * PI + (1.0 - fparam[3]) * ramp;
        double position = 5.0 * j - 3.0;
        double ripple =
            (1.0 - 0.5 * fparam[4]) +
            0.5 * fparam[4] * sin_turn(position * (fparam[5] * 32.0) / RIPPLE_SPAN + fparam[6]);
        double amplitude = std::fabs(ripple) * curve_linear(position / RIPPLE_SPAN, curve1);
        amplitude = amplitude * rolloff(bparam[2], j);
        double u = fparam[1] * amplitude;
        // Harmonic j sounds as u * sin(2 pi j phase + G).
        harmonics[j] = HarmonicPair{std::sin(phase) * u, std::cos(phase) * u};
    }
    additive_table_build(harmonics, cycle_table);
}

void additive_oscillator() {
    out = table_read_wrap(CYCLE_TABLE_LENGTH, phases[0] * CYCLE_TABLE_LENGTH, cycle_table);
}

void curve_oscillator() { out = curve_linear(phases[0], curve1) * fparam[1]; }

void step_oscillator() {
    double phase = phases[0];
    int n = curve1.count;
    int k = 0;
    while (k < n && !(phase <= curve1.xs[k])) k++;
    // A point's value holds above its x up to and including the next point's x.
    double value = k == 0 ? curve1.ys[0] : curve1.ys[k - 1];
    out = value * fparam[1];
}

void smooth_curve_oscillator() { out = curve_smooth(phases[0], curve1) * fparam[1]; }

void blurred_curve_oscillator() {
    double sum = 0.0;
    // 20 equally weighted taps from a full blur width before the phase to 0.9 of it after.
    for (int k = -10; k <= 9; k++) {
        double p = phases[0] + k * fparam[2] * 0.1;
        p = p - std::floor(p);
        sum = sum + curve_linear(p, curve1) * 0.1 * 0.5;
    }
    out = sum * fparam[1];
}

}  // namespace synth
