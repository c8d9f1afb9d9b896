// Wavetable oscillators through the driver: curve shapes read at the note phase, the blur variant
// and the additive cycle table. The step and smooth variants the shipped program uses are pinned
// by the determinism hashes.
#include "synth_test_support.h"

using WavetableOscillators = SynthSlots;

TEST_F(WavetableOscillators, LinearCurveReadsTheNotePhaseBlurOfWidthZeroEqualsItAndWiderBlurStaysInRange) {
    ProgramBuilder b;
    // A triangle read by the linear curve (slot 1) and by a blur of width zero (slot 2).
    for (int s : {1, 2}) b.step(s == 1 ? 138 : 141, s, {0.05f, 0.5f, 0}, {57, 3}).curve({0, 0, 0.5f, 1, 1, 0});
    b.step(OP_BLURRED_CURVE_OSCILLATOR, 3, {0.02f, 1.0f, 0.2f}, {45, 4}).curve({0, 1, 0.5f, 1, 0.5f, -1, 1, -1});  // a square
    render(b);
    const std::vector<double> triangle = slot(1), phases = note_phases(triangle.size(), 440.0);
    for (size_t i = 0; i < triangle.size(); i++) {
        ASSERT_NEAR(triangle[i], (phases[i] <= 0.5 ? phases[i] : 1.0 - phases[i]) * 2.0 * 0.5, 1e-12) << i;
    }
    expect_samples(slot(2), triangle, 1e-12);
    EXPECT_TRUE(peak(slot(3)) <= 1.0 + 1e-12 && peak(slot(3)) > 0.5) << peak(slot(3));
}

TEST_F(WavetableOscillators, AdditiveFlatSpectrumReadsItsTableAndRandomPhasesRepeat) {
    ProgramBuilder b;
    // Amplitude 1, no phase ramp, no random phase, no ripple, roll-off 0.5/j: a sawtooth spectrum.
    b.step(OP_ADDITIVE_OSCILLATOR, 1, {0.01f, 1.0f, 0, 0, 0, 0, 0}, {57, 2, 1}).curve({0, 1, 1, 1});
    // Twice the same step with random phases, ripple and roll-off 1/j^2.
    for (int s : {2, 3}) b.step(OP_ADDITIVE_OSCILLATOR, s, {0.01f, 0.5f, 0.3f, 1.0f, 0.5f, 0.4f, 0.1f}, {60, 2, 2}).curve({0, 1, 1, 0.2f});
    render(b);
    HarmonicPair pairs[HARMONIC_COUNT] = {};
    for (int j = 1; j < HARMONIC_COUNT; j++) pairs[j] = HarmonicPair{0.0, 0.5 / j};
    double table[CYCLE_TABLE_LENGTH];
    additive_table_build(pairs, table);
    const std::vector<double> out = slot(1), phases = note_phases(out.size(), 440.0);
    for (size_t i = 0; i < out.size(); i++) ASSERT_NEAR(out[i], table_read_wrap(128, phases[i] * 128, table), 1e-12) << i;
    EXPECT_EQ(slot(2), slot(3));
    EXPECT_GT(peak(slot(2)), 0.0);
}
