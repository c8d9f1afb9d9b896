// The DSP primitives at their edges: curves, clamps, reads at the table ends, the envelope's
// segments, delay reads, breakpoint lookups, the phase and walks.
#include "synth_test_support.h"

TEST(DspPrimitives, PureFunctionsAtTheirEdges) {
    double t[128] = {4.0, 8.0};  // a cycle table, and its last entry:
    t[127] = 2.0;
    const double b[] = {1.0, 3.0, 5.0};
    const double xs[] = {0.2, 0.5, 1.0}, ys[] = {1.0, -1.0, 3.0};
    const double xs2[] = {0.0, 1.0}, ys2[] = {0.25, 0.75};
    const auto env = &attack_decay_envelope;
    const auto wrap = &table_read_wrap;
    const auto linear = &table_read_linear;
    struct Case { double got, want; const char* what; };
    const Case cases[] = {
        {pow_int(2.0, -2), 0.25, "negative power"}, {pow_int(7.0, 0), 1.0, "zeroth power"},
        {smoothstep(-1.0), 0.0, "smoothstep below"}, {smoothstep(2.0), 1.0, "smoothstep above"},
        {lin_to_log9(4.0), 1.0, "log9 above"}, {lin_to_log9(std::exp(-10.0)), 0.0, "log9 below"},
        {lin_to_log9(0.0), 0.0, "log9 of 0"}, {log9_to_lin(-1.0), std::exp(-18.0), "only exact 0 is silent"},
        {log9_to_lin(0.0), 0.0, "exact 0 is silence"}, {log6_to_lin(-1.0), 0.0, "log6 bottom"},
        {log6_to_lin(1.0), 1.0, "log6 top"}, {wrap(128, NAN, t), 4.0, "wrap NaN: entry 0"},
        {wrap(128, -0.5, t), 3.0, "wrap before"}, {wrap(128, 128.0, t), 4.0, "wrap end"},
        {wrap(128, 0.25, t), 5.0, "wrap between"}, {linear(2.0, 3, b), 5.0, "linear at last"},
        {linear(2.0 + 1e-9, 3, b), 0.0, "linear past"}, {linear(-0.25, 3, b), 0.0, "linear ahead"},
        {linear(NAN, 3, b), 0.0, "linear NaN"}, {linear(0.0, 0, b), 0.0, "linear empty"},
        {env(0, 0, 1, 0.5, 10000), 0.5, "sustain only"}, {env(10, 0, 1, 2, 441), 1.0, "end of attack"},
        {env(10, 10, 0.5, 1, 661.5), 0.75, "halfway down"}, {env(10, 10, 0.5, 1, -1), 0.0, "before start"},
        {env(10, 10, 0.5, 1, 220.5), 0.5, "halfway up"}, {curve_linear(0.5, ys, xs, 3), -1.0, "on a point"},
        {curve_linear(0.0, ys, xs, 3), 1.0, "curve first"}, {curve_linear(2.0, ys, xs, 3), 3.0, "beyond"},
        {curve_linear(0.75, ys, xs, 0), 1.0, "no points"}, {curve_linear_odd(-0.75, ys, xs, 3), -1.0, "odd"},
        {curve_smooth(1.0, ys2, xs2, 2), 0.25, "two points hold the first"}, {walk_wrapped(2, 0), 0.0, "empty walk"},
        {curve_smooth(1.5, ys2, xs2, 2), 0.75, "two points beyond"},
    };
    for (const Case& c : cases) EXPECT_EQ(c.got, c.want) << c.what;
}

TEST(DspPrimitives, AdditiveTableStartsAtPhaseOne128thAndClampsOnlyTheRunningSum) {
    HarmonicPair pairs[HARMONIC_COUNT] = {};
    double table[CYCLE_TABLE_LENGTH];
    pairs[1] = HarmonicPair{0.0, 1.0};
    additive_table_build(pairs, table);
    for (int k = 0; k < CYCLE_TABLE_LENGTH; k++) ASSERT_NEAR(table[k], std::sin(2 * PI * (k + 1) / 128.0), 1e-12) << k;
    pairs[1] = HarmonicPair{};
    pairs[63] = HarmonicPair{0.0, 3.0};  // at entry 95, harmonic 63 is at a quarter turn
    additive_table_build(pairs, table);
    EXPECT_NEAR(table[95], 3.0, 1e-12);  // the last harmonic's sum is stored unclamped
    pairs[1] = HarmonicPair{0.0, 3.0};   // -3 at entry 95, clamped to -1 before harmonic 2
    additive_table_build(pairs, table);
    EXPECT_NEAR(table[95], 2.0, 1e-12);
}

// The random sequence itself and the walks' steps and ranges are pinned by the shipped render's
// hashes (its chorus and comb reverb walk both ways); an empty walk is in the table above.
TEST(DspPrimitives, DelayReadsClampToTheLineAndInterpolateAndABackwardPhaseWrapsBelowZero) {
    phases[0] = 0.0;
    phase_advance(-4410.0);
    EXPECT_NEAR(phases[0], 0.9, 1e-12);
    std::vector<double> line(DELAY_LINE_LENGTH, 0.0);
    for (int k = 0; k < 20; k++) line[k] = k;
    delay_lines[0] = line.data();
    delay_pos = 10;
    // Before the write position, 89999 samples back at most, and interpolated.
    EXPECT_EQ((std::vector<double>{delay_read(0, -5.0), delay_read(0, 100000.0), delay_read(0, 1.5)}),
              (std::vector<double>{10.0, 11.0, 8.5}));
    delay_lines[0] = nullptr;
    delay_pos = 0;
}

// At the corner (cutoff 0.1 of half the sample rate: 2205 Hz, 20 samples a cycle) both sections
// pass 1/damping of a sine: 1/sqrt(2) without resonance, the Butterworth corner, and sqrt(2) at
// resonance 0.5.
TEST(DspPrimitives, TwoPoleSectionsMeetTheirCornerWithButterworthDamping) {
    const std::vector<double> x = sine(2000, 20.0);
    for (double res : {0.0, 0.5}) {
        for (auto section : {&lowpass2, &highpass2}) {
            filters_reset();
            std::vector<double> y;
            for (double v : x) y.push_back(section(4, v, 0.1, res));
            EXPECT_NEAR(sine_amplitude(y, 20.0, 20), 1.0 / ((1.0 - res) * std::sqrt(2.0)), 1e-9) << res;
        }
    }
}
