// The in-place shaping, dynamics and filter effects (opcodes 78, 80, 81, 87 and 89), each
// run through the driver on a slot seeded with known samples.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "synth_test_support.h"

using ShapingEffects = SynthSlots;

// Opcode 78 with the given loss and stiffness; curve1 as given, curve2 and curve3 identities.
static ProgramBuilder resonator(float loss, float stiffness, const std::vector<float>& curve3,
                                const std::vector<float>& curve1 = {0, 0, 1, 1}) {
    ProgramBuilder p;
    p.step(78, 1, {loss, stiffness}, {0, static_cast<int>(curve1.size() / 2), 2, static_cast<int>(curve3.size() / 2)});
    return p.curve(curve3).curve({0, 0, 1, 1}).curve(curve1);
}

TEST_F(ShapingEffects, ResonatorRestsOnSilenceRingsWhenItsForceStartsOffZeroAndCompressesAboveEMinusSix) {
    load_slot(1, constant_samples(256, 0.0));
    render(resonator(0.5f, 0.5f, {0, 0, 1, 1}));
    EXPECT_EQ(slot(1), constant_samples(256, 0.0));

    // Without loss and at full stiffness the force at rest swings the mass to both sides.
    load_slot(1, constant_samples(2000, 0.0));
    render(resonator(0, 1, {0, 0.5f, 1, 1}));
    const std::vector<double> rung = slot(1);
    EXPECT_LT(*std::min_element(rung.begin(), rung.end()), -1e-3);
    EXPECT_GT(*std::max_element(rung.begin(), rung.end()), 1e-3);

    // No loss and no stiffness: the mass follows the (compressed) input exactly. curve1 maps every
    // level to full scale, so a compressed input becomes +-1; e^-6 is 0.0024788.
    load_slot(1, {0.0024, -0.0025});
    render(resonator(0, 0, {0, 0, 1, 1}, {0, 1, 1, 1}));
    const std::vector<double> out = slot(1);
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[0], 0.0024);
    EXPECT_NEAR(out[1], -1.0, 1e-15);
}

TEST_F(ShapingEffects, BandCompressorSilentOnSilenceAndWithIdentityCurveOnlyAppliesOutputGain) {
    ProgramBuilder shipped;
    shipped.step(80, 1, {0.5f, 0.98f, 0.447f, 0.238f, 1}, {0, 5})
        .curve({0, 0, 0.08888889f, 0.9611111f, 0.5888889f, 0.7f, 0.8611111f, 0.1f, 1, 1});
    load_slot(1, constant_samples(500, 0.0));
    render(shipped);
    EXPECT_EQ(slot(1), constant_samples(500, 0.0));

    std::vector<double> sine(3000);
    for (size_t k = 0; k < sine.size(); ++k) sine[k] = 0.5 * std::sin(2.0 * M_PI * 440.0 * k / 44100.0);
    load_slot(1, sine);
    render(ProgramBuilder().step(80, 1, {0.5f, 0.98f, 0.447f, 0.238f, 0.5f}, {0, 2}).curve({0, 0, 1, 1}));
    const std::vector<double> out = slot(1);
    // Once the band's envelope is above e^-6 the level curve maps every level onto itself.
    for (size_t k = 200; k < out.size(); ++k) ASSERT_NEAR(out[k], 0.5 * sine[k], 1e-12) << k;
}

TEST_F(ShapingEffects, BandWaveshaperWithFullBandShapesTheWholeSignal) {
    // Low-pass corner at half the sample rate, high-pass corner 0: the band is the whole signal.
    load_slot(1, {0.5, -0.3, 0.001, 0.2});
    render(ProgramBuilder().step(81, 1, {1, 0, 2}, {0, 2}).curve({0, 1, 1, 1}));
    const std::vector<double> out = slot(1);
    const double expected[] = {2.0, -2.0, 0.002, 2.0};  // 0.001 is below e^-6: left unshaped
    for (int k = 0; k < 4; ++k) EXPECT_NEAR(out[k], expected[k], 1e-9) << k;
}

TEST_F(ShapingEffects, GainEnvelopeFollowsCurveFromItsFirstPointAndClips) {
    load_slot(1, constant_samples(4, 0.8));
    load_slot(2, {0.5, -0.5, 0.05});
    ProgramBuilder p;
    p.step(87, 1, {1}, {0, 2}).curve({0, 0.25f, 1, 1});  // gain 1 on the line from 0.25 to 1
    p.step(87, 2, {2}, {0, 2}).curve({0, 1, 1, 1});      // gain 10
    render(p);
    const std::vector<double> ramp = slot(1), loud = slot(2);
    // Envelope at i/length = 0, 1/4, 2/4, 3/4.
    const double ramp_expected[] = {0.2, 0.35, 0.5, 0.65};
    for (int k = 0; k < 4; ++k) EXPECT_NEAR(ramp[k], ramp_expected[k], 1e-15) << k;
    EXPECT_EQ(loud[0], 1.0);
    EXPECT_EQ(loud[1], -1.0);
    EXPECT_NEAR(loud[2], 0.5, 1e-15);
}

TEST_F(ShapingEffects, SweptFilterFirstByteZeroLowPassesAnyOtherValueHighPasses) {
    // Opcode 89 at a fixed corner (a = 0.5, cutoff 0.0625) without resonance, once settled.
    // Constant input is the lowest frequency, alternating input the highest.
    struct Case { int mode; bool alternate; double settled; };
    for (Case c : {Case{0, false, 0.5}, Case{0, true, 0.0}, Case{1, false, 0.0}, Case{1, true, 0.5},
                   Case{7, false, 0.0}, Case{7, true, 0.5}}) {
        std::vector<double> input(4000, 0.5);
        for (size_t k = 1; c.alternate && k < input.size(); k += 2) input[k] = -0.5;
        load_slot(1, input);
        render(ProgramBuilder().step(89, 1, {}, {c.mode, 2, 2}).curve({0, 0, 1, 0}).curve({0, 0.5f, 1, 0.5f}));
        EXPECT_NEAR(std::fabs(slot(1).back()), c.settled, 1e-6) << c.mode << " " << c.alternate;
    }
}
