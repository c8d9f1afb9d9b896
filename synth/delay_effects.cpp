// Delay-line effects: a multi-voice chorus, a flanger, a modulated-comb reverb and a feedback
// delay network, all over the shared delay lines. Within a sample the reads come before the
// writes at delay_pos, so a value written during sample n is read by a delay of d at sample n + d.
#include <cmath>

#include "dsp.h"
#include "modules.h"
#include "synth_state.h"

namespace synth {

// Opcode 82: bparam[0] voices read line 1 at staggered, slowly wobbling delays. Validation keeps
// the voices within 1..14 (voice l uses filter l and walk counter l + 6) and the walk ranges
// within an int.
void chorus() {
    const int voices = bparam[0];
    const double spacing = fparam[1] * SAMPLES_PER_MS;
    const double depth = fparam[0] * SAMPLES_PER_MS;
    const int wobble_range = static_cast<int>(fparam[3] * 100.0);
    const int level_range = static_cast<int>(fparam[3] * 5.0);
    const double level_depth = fparam[2] * 1.5;
    s0 = 0.0;
    for (int l = 0; l < voices; ++l) {
        // A random phase walk, low-passed at about 2.2 Hz, becomes a slow wobble.
        const double m = lowpass2(l, sin_turn(walk_wrapped(l, wobble_range)), 0.0001, 0.0);
        const double r = delay_read(1, (l + 1) * spacing + 1.0 + depth * m);
        const double a = walk_bounded(l + 6, level_range);
        s0 = s0 + (a * level_depth + 1.0 - fparam[2]) * r;
    }
    s0 = s0 * (1.0 / voices);
    delay_lines[1][delay_pos] = in + fparam[4] * s0;
    // The final high-pass at 22.05 Hz removes offset.
    out = highpass2(6, (1.0 - fparam[5]) * in + fparam[5] * s0, 0.001, 0.0);
}

// Opcode 83: one voice whose delay sweeps sinusoidally between fparam[1] and fparam[2] ms at
// fparam[0] Hz; note_phase is the sweep oscillator.
void flanger() {
    const double delay = sin_turn(phases[0]) * ((fparam[2] - fparam[1]) * 0.5 * SAMPLES_PER_MS) +
                         (fparam[1] + fparam[2]) * 0.5 * SAMPLES_PER_MS;
    s0 = delay_read(1, delay);
    phase_advance(fparam[0]);
    delay_lines[1][delay_pos] = fparam[3] * s0 + in;
    out = highpass2(0, (1.0 - 0.5 * fparam[4]) * in + 0.5 * fparam[4] * s0, 0.001, 0.0);
}

struct CombSetting {
    int length_param;  // fparam entry holding the comb length in ms
    double samples_per_ms;
    int index;  // walk counter and FilterState entry
    int line;
};

// One comb family uses 37.1 samples per ms instead of 44.1, for lengths that do not line up.
static const CombSetting reverb_combs[6] = {
    {0, 37.1, 10, 1},           {1, 37.1, 11, 2},           {2, 37.1, 12, 3},
    {0, SAMPLES_PER_MS, 13, 4}, {1, SAMPLES_PER_MS, 14, 5}, {2, SAMPLES_PER_MS, 15, 6},
};

// Opcode 84: a wobbling pre-delay loop on line 7, band-limited, then six modulated combs in
// series, each adding its output to the running sum.
void comb_reverb() {
    s3 = lowpass2(3, walk_bounded(3, 100), 0.0001, 0.0);
    const double g = std::exp(-6.0 * fparam[4] / (0.5 * fparam[3] + fparam[7]));
    s0 = delay_read(7, (1.0 + 0.02 * s3) * fparam[4] * SAMPLES_PER_MS) * g + in;
    s0 = highpass2(0, s0, pow_int(fparam[6], 5), 0.0);
    s0 = highpass2(2, lowpass2(1, s0, pow_int(fparam[5], 5), 0.0), 0.0001, 0.0);
    const double decay = fparam[3] * SAMPLES_PER_MS;
    for (const CombSetting& comb : reverb_combs) {
        const double delay = fparam[comb.length_param] * comb.samples_per_ms;
        s0 = s0 + modulated_comb(s0, delay, decay, 50.0, 0.2, comb.index, comb.line);
    }
    delay_lines[7][delay_pos] = s0;
    out = (1.0 - fparam[8]) * in + fparam[8] * s0;
}

// The accumulators A1, A2, A3, A4 and A7 of opcode 94, one per ring line, written by the driver
// once delay_pos has advanced.
static double a1, a2, a3, a4, a7;

// Opcode 94: the ring of lines 7 -> 1 -> 2 -> 3 -> 4 -> 7, each read at two taps, fed from the
// input on line 8. p0 spreads the taps, p1 grows them, p2 is the spread amount, p4 the size.
void delay_network_reverb() {
    const double p0 = fparam[0], p1 = fparam[1], p2 = fparam[2], p3 = fparam[3];
    const double p4 = fparam[4], p5 = fparam[5];
    const double q = bparam[0] == 1 ? -(1.0 - p3) : 1.0 - p3;
    a1 = delay_read(7, (1.0 - p0 * p2) * p4) * q;
    a2 = delay_read(1, (p1 - pow_int(p0, 2) * p2) * p4) * q;
    a3 = delay_read(2, (pow_int(p1, 2) - pow_int(p0, 3) * p2) * p4) * q;
    a4 = delay_read(3, (pow_int(p1, 3) - pow_int(p0, 4) * p2) * p4) * q;
    a7 = delay_read(4, (pow_int(p1, 4) - pow_int(p0, 5) * p2) * p4) * q;
    a1 += delay_read(7, (1.0 - pow_int(p0, 6) * p2) * p4) * p3;
    a2 += delay_read(1, (p1 - pow_int(p0, 7) * p2) * p4) * p3;
    a3 += delay_read(2, (pow_int(p1, 2) - pow_int(p0, 8) * p2) * p4) * p3;
    a4 += delay_read(3, (pow_int(p1, 3) - pow_int(p0, 9) * p2) * p4) * p3;
    a7 += delay_read(4, (pow_int(p1, 4) - pow_int(p0, 10) * p2) * p4) * p3;
    a7 += 0.1 * delay_read(8, 0.22 * p4);
    a1 -= 0.2 * delay_read(8, 0.39 * p4);
    a2 += 0.3 * delay_read(8, 0.63 * p4);
    a3 -= 0.4 * delay_read(8, 0.81 * p4);
    a4 += 0.5 * delay_read(8, p4);
    const double wet = (a2 + a1 + a3 + a4 + a7) * (p5 * 0.2);
    out = hard_clip(highpass2(0, wet + (1.0 - p5) * in, 0.0001, 0.0));
}

// Written after delay_pos has advanced, so a delay of d reads the value of d + 1 samples ago.
void delay_network_reverb_write() {
    delay_lines[8][delay_pos] = in;
    delay_lines[1][delay_pos] = a1;
    delay_lines[2][delay_pos] = a2;
    delay_lines[3][delay_pos] = a3;
    delay_lines[4][delay_pos] = a4;
    delay_lines[7][delay_pos] = a7;
}

}  // namespace synth
