// Wavetable oscillators through the driver: curve shapes read at the note phase, the step and
// blur variants, and the additive cycle table.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "synth/dsp.h"
#include "synth_test_support.h"

class WavetableOscillators : public SynthSlots {};

TEST_F(WavetableOscillators, RampCurveReadsTheNotePhase) {
    ProgramBuilder b;
    b.step(138, 1, {0.01f, 1.0f, 0}, {57, 2}).curve({0, 0, 1, 1});
    b.step(138, 2, {0.01f, 1.0f, 0}, {69, 2}).curve({0, 0, 1, 1});
    render(b);
    EXPECT_EQ(slot(1)[1], 440.0 / 44100.0);
    EXPECT_EQ(slot(2)[1], 880.0 / 44100.0);  // twelve semitones up doubles the step
}

TEST_F(WavetableOscillators, TriangleCurveStaysBetweenZeroAndAmplitude) {
    ProgramBuilder b;
    b.step(138, 1, {0.05f, 0.5f, 0}, {57, 3}).curve({0, 0, 0.5f, 1, 1, 0});
    render(b);
    double phase = 0.0;
    for (double v : slot(1)) {
        double expected = phase <= 0.5 ? phase * 2.0 : (1.0 - phase) * 2.0;
        ASSERT_NEAR(v, expected * 0.5, 1e-12);
        phase = phase + 440.0 / 44100.0;
        phase -= std::floor(phase);
    }
}

TEST_F(WavetableOscillators, StepCurveHoldsThePreviousValueUpToEachBreakpoint) {
    ProgramBuilder b;
    // Note 57: sample 30 lies at phase 0.299, sample 70 at 0.698.
    b.step(139, 1, {0.01f, 1.0f, 0}, {57, 3}).curve({0, 2, 0.25f, 3, 0.5f, 4});
    render(b);
    std::vector<double> out = slot(1);
    EXPECT_EQ(out[0], 2.0);  // at phase 0: y[0]
    EXPECT_EQ(out[1], 2.0);
    EXPECT_EQ(out[30], 3.0);
    EXPECT_EQ(out[70], 4.0);  // beyond the last point: the last value
}

TEST_F(WavetableOscillators, BlurOfWidthZeroEqualsTheLinearCurve) {
    ProgramBuilder b;
    b.step(138, 1, {0.02f, 0.7f, 0}, {50, 4}).curve({0, 0, 0.3f, 1, 0.6f, -1, 1, 0});
    b.step(141, 2, {0.02f, 0.7f, 0}, {50, 4}).curve({0, 0, 0.3f, 1, 0.6f, -1, 1, 0});
    render(b);
    std::vector<double> linear = slot(1), blurred = slot(2);
    ASSERT_EQ(linear.size(), blurred.size());
    for (size_t i = 0; i < linear.size(); i++) ASSERT_NEAR(blurred[i], linear[i], 1e-12) << i;
}

TEST_F(WavetableOscillators, BlurSmoothsASquareCurve) {
    ProgramBuilder b;
    b.step(141, 1, {0.02f, 1.0f, 0.2f}, {45, 4}).curve({0, 1, 0.5f, 1, 0.5f, -1, 1, -1});
    render(b);
    double peak = 0.0;
    for (double v : slot(1)) peak = std::fmax(peak, std::fabs(v));
    EXPECT_LE(peak, 1.0 + 1e-12);
    EXPECT_GT(peak, 0.5);
}

TEST_F(WavetableOscillators, SmoothCurveScalesTheSmoothLookupOfTheNotePhase) {
    ProgramBuilder b;
    b.step(140, 1, {0.01f, 2.0f, 0}, {57, 4}).curve({0, 0, 0.25f, 1, 0.5f, -1, 1, 0});
    render(b);
    const double xs[] = {0, 0.25, 0.5, 1}, ys[] = {0, 1, -1, 0};
    double phase = 0.0;
    for (double v : slot(1)) {
        ASSERT_EQ(v, curve_smooth(phase, ys, xs, 4) * 2.0);
        phase = phase + 440.0 / 44100.0;
        phase -= std::floor(phase);
    }
}

TEST_F(WavetableOscillators, AdditiveWithFlatSpectrumIsASumOfSines) {
    ProgramBuilder b;
    // Amplitude 1, no phase ramp, no random phase, no ripple, roll-off 0.5/j: a sawtooth spectrum.
    b.step(134, 1, {0.01f, 1.0f, 0, 0, 0, 0, 0}, {57, 2, 1}).curve({0, 1, 1, 1});
    render(b);
    HarmonicPair pairs[HARMONIC_COUNT] = {};
    for (int j = 1; j < HARMONIC_COUNT; j++) pairs[j] = HarmonicPair{0.0, 0.5 / j};
    double table[CYCLE_TABLE_LENGTH];
    additive_table_build(pairs, table);
    std::vector<double> out = slot(1);
    EXPECT_EQ(out[0], table[0]);  // phase 0 reads entry 0 (the wave at phase 1/128)
    double phase = 0.0;
    for (size_t i = 0; i < out.size(); i++) {
        ASSERT_NEAR(out[i], table_read_wrap(128, phase * 128, table), 1e-12) << i;
        phase = phase + 440.0 / 44100.0;
        phase -= std::floor(phase);
    }
}

TEST_F(WavetableOscillators, AdditiveRandomPhasesRepeatForTheSameParameters) {
    ProgramBuilder b;
    b.step(134, 1, {0.01f, 0.5f, 0.3f, 1.0f, 0.5f, 0.4f, 0.1f}, {60, 2, 2}).curve({0, 1, 1, 0.2f});
    b.step(134, 2, {0.01f, 0.5f, 0.3f, 1.0f, 0.5f, 0.4f, 0.1f}, {60, 2, 2}).curve({0, 1, 1, 0.2f});
    render(b);
    EXPECT_EQ(slot(1), slot(2));
    double energy = 0.0;
    for (double v : slot(1)) energy += v * v;
    EXPECT_GT(energy, 0.0);
}
