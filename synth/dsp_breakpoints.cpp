// Breakpoint-curve lookups over parallel arrays of positions (xs, ascending) and values (ys).
#include "dsp.h"

namespace synth {

// The line through (xa, ya) and (xb, yb), evaluated at x.
static double line_at(double x, double xa, double ya, double xb, double yb) {
    return ((xb - x) * ya + (x - xa) * yb) / (xb - xa);
}

// Index of the first breakpoint at or beyond x, or n when x lies beyond every point.
static int segment_end(double x, const double* xs, int n) {
    int i = 0;
    while (i < n && !(x <= xs[i])) i++;
    return i;
}

double curve_linear(double x, const double* ys, const double* xs, int n) {
    if (n <= 0) return ys[0];
    int i = segment_end(x, xs, n);
    if (i == 0) return ys[0];
    if (i == n) return ys[n - 1];
    return line_at(x, xs[i - 1], ys[i - 1], xs[i], ys[i]);
}

double curve_linear_odd(double x, const double* ys, const double* xs, int n) {
    return x < 0.0 ? -curve_linear(-x, ys, xs, n) : curve_linear(x, ys, xs, n);
}

// The line through the segment before segment i, at x; the list is cyclic before point 0.
static double previous_line(double x, const double* ys, const double* xs, int n, int i) {
    if (i >= 2) {
        if (xs[i - 1] - xs[i - 2] == 0.0) return ys[i - 1];
        return line_at(x, xs[i - 2], ys[i - 2], xs[i - 1], ys[i - 1]);
    }
    double width = xs[n - 1] - xs[n - 2];
    if (width == 0.0) return ys[n - 1];
    return line_at(x, xs[0] - width, ys[n - 2], xs[0], ys[0]);
}

// The line through the segment after segment i, at x; the list is cyclic after point n - 1.
static double next_line(double x, const double* ys, const double* xs, int n, int i) {
    if (i <= n - 2) {
        if (xs[i + 1] - xs[i] == 0.0) return ys[i];
        return line_at(x, xs[i], ys[i], xs[i + 1], ys[i + 1]);
    }
    double width = xs[1] - xs[0];
    if (width == 0.0) return ys[1];
    return line_at(x, xs[n - 1], ys[n - 1], xs[n - 1] + width, ys[0]);
}

double curve_smooth(double x, const double* ys, const double* xs, int n) {
    double lin = curve_linear(x, ys, xs, n);
    if (n <= 0) return ys[0];
    int i = segment_end(x, xs, n);
    if (i == 0) return ys[0];
    if (i == n) return ys[n - 1];
    // A single segment has no neighbours to bend towards: it holds its first value.
    if (n == 2) return ys[0];
    double w = xs[i] - xs[i - 1];
    double d = previous_line(x, ys, xs, n, i);
    double g = next_line(x, ys, xs, n, i);
    double c = d * smoothstep((xs[i] - x) / w) + g * smoothstep((x - xs[i - 1]) / w);
    return 0.5 * c + 0.5 * lin;
}

double curve_linear(double x, const BreakpointList& curve) {
    return curve_linear(x, curve.ys, curve.xs, curve.count);
}

double curve_linear_odd(double x, const BreakpointList& curve) {
    return curve_linear_odd(x, curve.ys, curve.xs, curve.count);
}

double curve_smooth(double x, const BreakpointList& curve) {
    return curve_smooth(x, curve.ys, curve.xs, curve.count);
}

}  // namespace synth
