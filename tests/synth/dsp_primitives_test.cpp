// The DSP primitives at their edges: curves, clamps, reads at the table ends, the envelope's
// segments, delay reads, breakpoint lookups, walks and the random sequence.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "synth/dsp.h"

TEST(DspPrimitives, PureFunctionsAtTheirEdges) {
    std::vector<double> table(128, 0.0);
    table[127] = 2.0, table[0] = 4.0, table[1] = 8.0;
    const double buffer[] = {1.0, 3.0, 5.0};
    const double xs[] = {0.2, 0.5, 1.0}, ys[] = {1.0, -1.0, 3.0};
    const double xs2[] = {0.0, 1.0}, ys2[] = {0.25, 0.75};
    struct Case { double got, want; const char* what; };
    const Case cases[] = {
        {pow_int(2.0, 6), 64.0, "pow 2^6"}, {pow_int(-0.5, 5), -0.03125, "odd power keeps sign"},
        {pow_int(2.0, -2), 0.25, "negative power"}, {pow_int(7.0, 0), 1.0, "zeroth power"},
        {smoothstep(-1.0), 0.0, "smoothstep below"}, {smoothstep(2.0), 1.0, "smoothstep above"},
        {lin_to_log9(4.0), 1.0, "log9 clamps above"}, {lin_to_log9(std::exp(-10.0)), 0.0, "log9 clamps below"},
        {lin_to_log9(0.0), 0.0, "log9 of zero"}, {log9_to_lin(-1.0), std::exp(-18.0), "only exact 0 is silent"},
        {log9_to_lin(0.0), 0.0, "exact 0 is silence"}, {log6_to_lin(-1.0), 0.0, "log6 bottom"},
        {log6_to_lin(1.0), 1.0, "log6 top"}, {hard_clip(1.5), 1.0, "clip above"}, {hard_clip(-2.0), -1.0, "clip below"},
        {hard_clip(0.25), 0.25, "clip passes"}, {table_read_wrap(128, -0.5, table.data()), 3.0, "wrap before start"},
        {table_read_wrap(128, 128.0, table.data()), 4.0, "wrap at end"},
        {table_read_wrap(128, 0.25, table.data()), 5.0, "wrap interpolates"},
        {table_read_wrap(128, NAN, table.data()), 4.0, "wrap of NaN reads entry 0"},
        {table_read_linear(2.0, 3, buffer), 5.0, "linear at last"},
        {table_read_linear(2.0 + 1e-9, 3, buffer), 0.0, "linear past last"},
        {table_read_linear(-0.25, 3, buffer), 0.0, "linear before first"},
        {table_read_linear(1.5, 3, buffer), 4.0, "linear interpolates"},
        {table_read_linear(NAN, 3, buffer), 0.0, "linear of NaN"},
        {table_read_linear(0.0, 0, buffer), 0.0, "linear on empty"},
        {attack_decay_envelope(0, 0, 1, 0.5, 10000), 0.5, "no segments: sustain"},
        {attack_decay_envelope(10, 0, 1, 2, 441), 1.0, "end of attack"},
        {attack_decay_envelope(10, 10, 0.5, 1, 661.5), 0.75, "halfway down the decay"},
        {attack_decay_envelope(10, 10, 0.5, 1, 220.5), 0.5, "halfway up the rise"},
        {attack_decay_envelope(10, 10, 0.5, 1, -1), 0.0, "before the start"},
        {attack_decay_envelope(0, 0, 0, 0, 0), 0.0, "all zero"},
        {curve_linear(0.5, ys, xs, 3), -1.0, "at a breakpoint"}, {curve_linear(0.0, ys, xs, 3), 1.0, "before first"},
        {curve_linear(2.0, ys, xs, 3), 3.0, "beyond last"}, {curve_linear(0.75, ys, xs, 0), 1.0, "no points"},
        {curve_linear_odd(-0.75, ys, xs, 3), -1.0, "odd lookup mirrors"},
        {curve_smooth(0.6, ys2, xs2, 2), 0.25, "two points hold the first"},
        {curve_smooth(1.0, ys2, xs2, 2), 0.25, "two points at the end"},
        {curve_smooth(1.5, ys2, xs2, 2), 0.75, "two points beyond"},
    };
    for (const Case& c : cases) EXPECT_EQ(c.got, c.want) << c.what;
    EXPECT_NEAR(lin_to_log6(std::exp(-3.0)), 0.5, 1e-15);
    EXPECT_GT(log6_to_lin(1.5), 1.0);
    EXPECT_NEAR(log6_to_lin_signed(lin_to_log6_signed(-0.3)), -0.3, 1e-15);
    const double xs4[] = {0.0, 0.3, 0.7, 1.0}, ys4[] = {0.0, 1.0, -0.5, 0.0};
    for (int k = 0; k < 4; k++) EXPECT_NEAR(curve_smooth(xs4[k], ys4, xs4, 4), ys4[k], 1e-12) << k;
}

TEST(DspPrimitives, RandomSequencePhaseAndWalksFromSeedZero) {
    synth_srand(0);
    for (int value : {38, 7719, 21238, 2437, 8855}) EXPECT_EQ(synth_rand(), value);
    synth_srand(0);
    EXPECT_DOUBLE_EQ(rand_range(-1.0, 1.0), -1.0 + 38 * 2.0 / 32767.0);
    EXPECT_DOUBLE_EQ(rand_range(5.0, 5.0), 5.0);

    phases[0] = 0.0;
    phase_advance(-4410.0);
    EXPECT_NEAR(phases[0], 0.9, 1e-12);
    phase_advance(8820.0);
    EXPECT_NEAR(phases[0], 0.1, 1e-12);
    phases[0] = 0.0;

    synth_srand(0);
    walk_counters[4] = 0;
    for (int i = 0; i < 20000; i++) {
        const double w = walk_bounded(4, 7);
        ASSERT_TRUE(w >= 0.0 && w <= 1.0 && walk_counters[4] >= 0 && walk_counters[4] <= 7) << i;
    }
    synth_srand(0);  // first draw 38: a step down, wrapping below zero
    walk_counters[2] = 0;
    EXPECT_EQ(walk_wrapped(2, 10), 0.9);
    for (int i = 0; i < 20000; i++) ASSERT_TRUE(walk_wrapped(2, 10) >= 0.0 && walk_wrapped(2, 10) < 1.0) << i;
    EXPECT_EQ(walk_wrapped(2, 0), 0.0);  // an empty range stays at 0
}

TEST(DspPrimitives, AdditiveTableStartsAtPhaseOne128thAndClampsOnlyTheRunningSum) {
    HarmonicPair pairs[HARMONIC_COUNT] = {};
    double table[CYCLE_TABLE_LENGTH];
    pairs[1] = HarmonicPair{0.0, 1.0};
    additive_table_build(pairs, table);
    for (int k = 0; k < CYCLE_TABLE_LENGTH; k++) ASSERT_NEAR(table[k], std::sin(2 * PI * (k + 1) / 128.0), 1e-12) << k;
    pairs[1] = HarmonicPair{}, pairs[63] = HarmonicPair{0.0, 3.0};  // at entry 95, harmonic 63 is at a quarter turn
    additive_table_build(pairs, table);
    EXPECT_NEAR(table[95], 3.0, 1e-12);  // the last harmonic's sum is stored unclamped
    pairs[1] = HarmonicPair{0.0, 3.0};   // -3 at entry 95, clamped to -1 before harmonic 2
    additive_table_build(pairs, table);
    EXPECT_NEAR(table[95], 2.0, 1e-12);
}

TEST(DspPrimitives, DelayReadsClampAndACombWithZeroDecayWritesInputAndReturnsSilence) {
    std::vector<double> line(DELAY_LINE_LENGTH, 0.0);
    for (int k = 0; k < 20; k++) line[k] = k;
    delay_lines[0] = line.data();
    delay_pos = 10;
    // Before the write position, 89999 samples back at most, and interpolated.
    EXPECT_EQ((std::vector<double>{delay_read(0, -5.0), delay_read(0, 100000.0), delay_read(0, 1.5)}),
              (std::vector<double>{10.0, 11.0, 8.5}));
    delay_lines[0] = nullptr;
    std::vector<double> comb(DELAY_LINE_LENGTH, 0.0);
    delay_lines[3] = comb.data();
    delay_pos = 5;
    synth_srand(0);
    filters_reset();
    EXPECT_EQ(modulated_comb(0.5, 100.0, 0.0, 50.0, 0.2, 10, 3), 0.0);
    EXPECT_EQ(comb[5], 0.5);
    delay_lines[3] = nullptr, delay_pos = 0;
}
