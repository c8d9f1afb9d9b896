// Opcode 15, the graphic equaliser: ten gain regions split at the nine bands of eq_band_low and
// eq_band_high, realised as one centred 257-tap linear-phase FIR filter.
#include <cmath>

#include "dsp.h"
#include "module_support.h"
#include "modules.h"
#include "synth_state.h"

namespace synth {

constexpr int EQ_HALF_TAPS = 128;
constexpr int EQ_GAIN_COUNT = EQ_BAND_COUNT + 1;

static double taps[2 * EQ_HALF_TAPS + 1];  // h[-128..128], h[k] at taps[k + 128]

static double& h(int k) { return taps[k + EQ_HALF_TAPS]; }

// Gain setting p to a linear gain: 200 gives 0.99, 0 gives 0, each 100 units a factor of 10.
static double eq_gain(double p) { return std::pow(100.0, (p - 200.0) * 0.005) - 0.01; }

// Adds band j's low-pass step of height g_j - g_(j+1), centred between its edges.
static void add_band_step(int j, double step_height) {
    const double lo = eq_band_low[j];
    const double hi = eq_band_high[j];
    const double d = step_height / PI;
    h(0) += (lo + hi) * d * 0.5;
    const double a = PI / (hi - lo);
    for (int k = 1; k <= EQ_HALF_TAPS; ++k) {
        const double c = (std::sin(k * lo) + std::sin(k * hi)) *
                         ((1.0 / (a - k) - 1.0 / (a + k)) * 0.25 + 1.0 / (2.0 * k)) * d;
        h(k) += c;
        h(-k) += c;
    }
}

void graphic_eq_design() {
    for (double& tap : taps) tap = 0.0;
    double upper_gain = eq_gain(fparam[EQ_GAIN_COUNT - 1]);
    h(0) = upper_gain;
    for (int j = EQ_BAND_COUNT - 1; j >= 0; --j) {
        const double gain = eq_gain(fparam[j]);
        add_band_step(j, gain - upper_gain);
        upper_gain = gain;
    }
}

void graphic_eq() {
    double sum = 0.0;
    for (int k = -EQ_HALF_TAPS; k <= EQ_HALF_TAPS; ++k) {
        sum += h(k) * slot_sample(step_slot, int64_t{sample_index} + k);
    }
    out = hard_clip(sum);
}

}  // namespace synth
