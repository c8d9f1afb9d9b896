// Two-pole bilinear filter sections sharing one table of filter memories. The cutoff is a
// fraction of half the sample rate; res 0 is the plain Butterworth response.
#include <cmath>
#include <cstring>

#include "dsp.h"

namespace synth {

void filters_reset() {
    for (FilterState& f : filter_state) f = FilterState{0.0, 0.0, 0.0, 0.0};
}

// The coefficients of one section: y = g x + c1 x1 + g x2 - c3 y1 - c4 y2, each product grouped
// as the design formulas group it, so caching them changes no result.
struct SectionCoefficients {
    double g, c1, c3, c4;
};

enum SectionKind : uint8_t { LOWPASS, HIGHPASS };

// The last coefficients of each section with the bit patterns they were made from: most callers
// hold the cutoff steady, and an exact repeat of the inputs needs no tan and no division.
struct CachedSection {
    uint64_t cutoff_bits, res_bits;
    SectionKind kind;
    bool valid;
    SectionCoefficients c;
};
static CachedSection section_cache[FILTER_COUNT];

// Common set-up: prewarped corner t = tan(f PI) and damping k.
static void section_corner(double cutoff, double res, double* t, double* k) {
    double f = cutoff * 0.5;
    if (f > 0.5) f = 0.5;
    if (f < 0.0) f = 0.0;
    *k = (1.0 - res) * SQRT2;
    *t = std::tan(f * PI);
}

static SectionCoefficients lowpass_design(double cutoff, double res) {
    double t, k;
    section_corner(cutoff, res, &t, &k);
    double w = 1.0 / t;
    double g = 1.0 / (w * k + 1.0 + w * w);
    return SectionCoefficients{g, 2.0 * g, 2.0 * (1.0 - w * w) * g, (w * w + 1.0 - w * k) * g};
}

static SectionCoefficients highpass_design(double cutoff, double res) {
    double t, k;
    section_corner(cutoff, res, &t, &k);
    double tt = t * t;
    double g = 1.0 / (k * t + 1.0 + tt);
    return SectionCoefficients{g, -2.0 * g, 2.0 * (tt - 1.0) * g, (tt + 1.0 - k * t) * g};
}

// The bit pattern of a double, the cache's key (std::bit_cast is not in every C++20 library yet).
static uint64_t double_bits(double value) {
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

static const SectionCoefficients& section_coefficients(int index, SectionKind kind, double cutoff,
                                                       double res) {
    CachedSection& cached = section_cache[index];
    uint64_t cutoff_bits = double_bits(cutoff);
    uint64_t res_bits = double_bits(res);
    if (!cached.valid || cached.kind != kind || cached.cutoff_bits != cutoff_bits ||
        cached.res_bits != res_bits) {
        SectionCoefficients c =
            kind == LOWPASS ? lowpass_design(cutoff, res) : highpass_design(cutoff, res);
        cached = CachedSection{cutoff_bits, res_bits, kind, true, c};
    }
    return cached.c;
}

static double section_run(int index, SectionKind kind, double x, double cutoff, double res) {
    const SectionCoefficients& c = section_coefficients(index, kind, cutoff, res);
    FilterState& s = filter_state[index];
    double y = c.g * x + c.c1 * s.x1 + c.g * s.x2 - c.c3 * s.y1 - c.c4 * s.y2;
    s.x2 = s.x1;
    s.x1 = x;
    s.y2 = s.y1;
    s.y1 = y;
    return y;
}

double lowpass2(int index, double x, double cutoff, double res) {
    return section_run(index, LOWPASS, x, cutoff, res);
}

double highpass2(int index, double x, double cutoff, double res) {
    return section_run(index, HIGHPASS, x, cutoff, res);
}

}  // namespace synth
