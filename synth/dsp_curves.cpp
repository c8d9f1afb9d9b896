// Amplitude curves and clamps: integer powers, the smoothstep, random ranges and the
// logarithmic amplitude scales (9 and 6 nepers wide) with their inverses.
#include <cmath>

#include "dsp.h"

namespace synth {

double pow_int(double x, int n) {
    unsigned bits = n < 0 ? 0u - static_cast<unsigned>(n) : static_cast<unsigned>(n);
    double r = 1.0;
    double b = x;
    while (bits != 0) {
        if (bits & 1u) r = r * b;
        bits >>= 1;
        if (bits != 0) b = b * b;
    }
    return n < 0 ? 1.0 / r : r;
}

double smoothstep(double a) {
    if (a > 1.0) return 1.0;
    if (a < 0.0) return 0.0;
    return 3.0 * a * a - 2.0 * a * a * a;
}

double rand_range(double lo, double hi) { return lo + synth_rand() * (hi - lo) / 32767.0; }

// Amplitude to a 0..1 scale spanning `nepers` below full scale; quieter amplitudes map to 0.
static double lin_to_log(double x, double nepers) {
    if (x <= 0.0) return 0.0;
    if (x > 1.0) x = 1.0;
    double v = std::log(x) + nepers;
    if (v < 0.0) v = 0.0;
    return v / nepers;
}

double lin_to_log9(double x) { return lin_to_log(x, 9.0); }
double lin_to_log6(double x) { return lin_to_log(x, 6.0); }

double log9_to_lin(double y) {
    // Only an exact 0 is silence here; negative positions still map through the exponential.
    if (y == 0.0) return 0.0;
    return std::exp((y - 1.0) * 9.0);
}

double log6_to_lin(double y) {
    if (y <= 0.0) return 0.0;
    return std::exp((y - 1.0) * 6.0);
}

double lin_to_log6_signed(double x) { return x < 0.0 ? -lin_to_log6(-x) : lin_to_log6(x); }
double log6_to_lin_signed(double y) { return y < 0.0 ? -log6_to_lin(-y) : log6_to_lin(y); }

double hard_clip(double x) {
    if (x > 1.0) return 1.0;
    if (x < -1.0) return -1.0;
    return x;
}

}  // namespace synth
