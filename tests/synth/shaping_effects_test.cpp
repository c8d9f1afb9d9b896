// The in-place shaping, dynamics and filter effects (opcodes 78, 80, 81, 87 and 89), each run
// through the driver on a slot seeded with known samples.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "synth_test_support.h"

using ShapingEffects = SynthSlots;

// Opcode 78 with the given loss and stiffness; curve1 and curve3 as given, curve2 an identity.
static ProgramBuilder resonator(float loss, float stiffness, const std::vector<float>& curve3,
                                const std::vector<float>& curve1 = {0, 0, 1, 1}) {
    return ProgramBuilder().step(78, 1, {loss, stiffness}, {0, 2, 2, static_cast<int>(curve3.size() / 2)})
        .curve(curve3).curve({0, 0, 1, 1}).curve(curve1);
}

TEST_F(ShapingEffects, ResonatorRestsOnSilenceAndCompressesOnlyAboveEMinusSix) {
    EXPECT_EQ(run(resonator(0.5f, 0.5f, {0, 0, 1, 1}), constant_samples(256, 0.0)), constant_samples(256, 0.0));
    // No loss and no stiffness: the mass follows the (compressed) input exactly. curve1 maps every
    // level to full scale, so a compressed input becomes +-1; e^-6 is 0.0024788.
    expect_samples(run(resonator(0, 0, {0, 0, 1, 1}, {0, 1, 1, 1}), {0.0024, -0.0025}), {0.0024, -1.0}, 1e-15);
}

TEST_F(ShapingEffects, BandCompressorSilentOnSilenceAndWithIdentityCurveOnlyAppliesOutputGain) {
    ProgramBuilder identity;
    identity.step(80, 1, {0.5f, 0.98f, 0.447f, 0.238f, 0.5f}, {0, 2}).curve({0, 0, 1, 1});
    EXPECT_EQ(run(identity, constant_samples(500, 0.0)), constant_samples(500, 0.0));
    std::vector<double> sine(3000);
    for (size_t k = 0; k < sine.size(); ++k) sine[k] = 0.5 * std::sin(2.0 * M_PI * 440.0 * k / 44100.0);
    const std::vector<double> out = run(identity, sine);
    // Once the band's envelope is above e^-6 the level curve maps every level onto itself.
    for (size_t k = 200; k < out.size(); ++k) ASSERT_NEAR(out[k], 0.5 * sine[k], 1e-12) << k;
}

TEST_F(ShapingEffects, BandWaveshaperFullBandAndGainEnvelopeFollowTheirCurvesAndClip) {
    // Low-pass corner at half the sample rate, high-pass corner 0: the band is the whole signal;
    // 0.001 is below e^-6 and left unshaped.
    expect_samples(run(ProgramBuilder().step(81, 1, {1, 0, 2}, {0, 2}).curve({0, 1, 1, 1}), {0.5, -0.3, 0.001, 0.2}),
                   {2.0, -2.0, 0.002, 2.0}, 1e-9);
    // Gain 1 on the line from 0.25 to 1, from the curve's first point: envelope at i/length.
    expect_samples(run(ProgramBuilder().step(87, 1, {1}, {0, 2}).curve({0, 0.25f, 1, 1}), constant_samples(4, 0.8)),
                   {0.2, 0.35, 0.5, 0.65}, 1e-15);
    // Gain 10 (fparam 2), clipped.
    expect_samples(run(ProgramBuilder().step(87, 1, {2}, {0, 2}).curve({0, 1, 1, 1}), {0.5, -0.5, 0.05}),
                   {1.0, -1.0, 0.5}, 1e-15);
}

TEST_F(ShapingEffects, SweptFilterFirstByteZeroLowPassesAnyOtherValueHighPasses) {
    // Opcode 89 at a fixed corner (a = 0.5, cutoff 0.0625) without resonance, once settled.
    // Constant input is the lowest frequency, alternating input the highest.
    struct Case { int mode; bool alternate; double settled; };
    for (Case c : {Case{0, false, 0.5}, Case{0, true, 0.0}, Case{7, false, 0.0}, Case{7, true, 0.5}}) {
        std::vector<double> input(4000, 0.5);
        for (size_t k = 1; c.alternate && k < input.size(); k += 2) input[k] = -0.5;
        ProgramBuilder filter;
        filter.step(89, 1, {}, {c.mode, 2, 2}).curve({0, 0, 1, 0}).curve({0, 0.5f, 1, 0.5f});
        EXPECT_NEAR(std::fabs(run(filter, input).back()), c.settled, 1e-6) << c.mode << " " << c.alternate;
    }
}
