// Two-pole bilinear filter sections sharing one table of filter memories. The cutoff is a
// fraction of half the sample rate; res 0 is the plain Butterworth response.
#include <cmath>

#include "dsp.h"

void filters_reset() {
    for (FilterState& f : filter_state) f = FilterState{0.0, 0.0, 0.0, 0.0};
}

// Prewarped corner tan(f * PI) and damping k shared by both sections.
struct SectionDesign {
    double t, k;
};

static SectionDesign section_design(double cutoff, double res) {
    double f = cutoff * 0.5;
    if (f > 0.5) f = 0.5;
    if (f < 0.0) f = 0.0;
    return SectionDesign{std::tan(f * PI), (1.0 - res) * SQRT2};
}

static double section_store(FilterState& s, double x, double y) {
    s.x2 = s.x1;
    s.x1 = x;
    s.y2 = s.y1;
    s.y1 = y;
    return y;
}

double lowpass2(int index, double x, double cutoff, double res) {
    SectionDesign d = section_design(cutoff, res);
    FilterState& s = filter_state[index];
    double w = 1.0 / d.t;
    double g = 1.0 / (w * d.k + 1.0 + w * w);
    double y = g * x + 2.0 * g * s.x1 + g * s.x2 - 2.0 * (1.0 - w * w) * g * s.y1 -
               (w * w + 1.0 - w * d.k) * g * s.y2;
    return section_store(s, x, y);
}

double highpass2(int index, double x, double cutoff, double res) {
    SectionDesign d = section_design(cutoff, res);
    FilterState& s = filter_state[index];
    double tt = d.t * d.t;
    double g = 1.0 / (d.k * d.t + 1.0 + tt);
    double y = g * x - 2.0 * g * s.x1 + g * s.x2 - 2.0 * (tt - 1.0) * g * s.y1 -
               (tt + 1.0 - d.k * d.t) * g * s.y2;
    return section_store(s, x, y);
}
