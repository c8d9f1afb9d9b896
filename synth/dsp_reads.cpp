// Interpolated table reads: wrapped (cycle tables, delay lines) and bounded (slots, which read as
// silence beyond both ends).
#include <cmath>

#include "dsp.h"

namespace synth {

// fmod(fmod(pos, n) + n, n). Within one cycle either side of 0 (every delay-line read) the inner
// fmod returns pos itself and the outer one a single exact subtraction, so skip both calls.
static double wrap_position(int n, double pos) {
    if (pos > -n && pos < n) {
        double t = pos + n;
        return t >= n ? t - n : t;
    }
    return std::fmod(std::fmod(pos, n) + n, n);
}

double table_read_wrap(int n, double pos, const double* table) {
    double t = wrap_position(n, pos);
    // A non-finite position has no place in the table; read entry 0 rather than index wildly.
    if (!(t >= 0.0 && t < n)) t = 0.0;
    int k = static_cast<int>(std::floor(t));
    double f = t - k;
    return f * table[(k + 1) % n] + (1.0 - f) * table[k];
}

double table_read_linear(double pos, int n, const double* buffer) {
    // Written as negations so that a NaN position also reads as silence.
    if (!(pos >= 0.0)) return 0.0;
    if (!(pos <= n - 1)) return 0.0;
    if (pos == n - 1) return buffer[n - 1];
    int k = static_cast<int>(std::floor(pos));
    double f = pos - k;
    return f * buffer[k + 1] + (1.0 - f) * buffer[k];
}

}  // namespace synth
