// The in-place shaping, dynamics and filter effects (opcodes 78, 80, 81, 87, 89, 90 and 92), each
// run through the driver on a slot seeded with known samples.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "slot_loading.h"
#include "synth_test_support.h"

using ShapingEffects = SynthSlots;

// Opcode 78 with the given stiffness/loss settings and curve3 (curve1 and curve2 are identities).
static ProgramBuilder resonator(float loss, float stiffness, std::initializer_list<float> curve3) {
    ProgramBuilder p;
    p.step(78, 1, {loss, stiffness}, {0, 2, 2, static_cast<int>(curve3.size() / 2)});
    p.curve(curve3).curve({0, 0, 1, 1}).curve({0, 0, 1, 1});
    return p;
}

TEST_F(ShapingEffects, ResonatorStaysAtRestOnSilenceAndRingsWhenItsForceStartsOffZero) {
    load_slot(1, constant_samples(256, 0.0));
    render(resonator(0.5f, 0.5f, {0, 0, 1, 1}));
    for (double v : slot(1)) ASSERT_EQ(v, 0.0);

    // Without loss and at full stiffness the force at rest swings the mass to both sides.
    load_slot(1, constant_samples(2000, 0.0));
    render(resonator(0, 1, {0, 0.5f, 1, 1}));
    double lowest = 0.0, highest = 0.0;
    for (double v : slot(1)) {
        lowest = std::min(lowest, v);
        highest = std::max(highest, v);
    }
    EXPECT_LT(lowest, -1e-3);
    EXPECT_GT(highest, 1e-3);
}

TEST_F(ShapingEffects, ResonatorCompressesOnlyInputsAboveEMinusSix) {
    // No loss and no stiffness: the mass follows the (compressed) input exactly. curve1 maps every
    // level to full scale, so a compressed input becomes +-1.
    ProgramBuilder p;
    p.step(78, 1, {0, 0}, {0, 2, 2, 2}).curve({0, 0, 1, 1}).curve({0, 0, 1, 1}).curve({0, 1, 1, 1});
    load_slot(1, {0.0024, -0.0025});  // e^-6 is 0.0024788
    render(p);
    const std::vector<double> out = slot(1);
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[0], 0.0024);
    EXPECT_NEAR(out[1], -1.0, 1e-15);
}

TEST_F(ShapingEffects, BandCompressorOnSilenceOutputsZero) {
    ProgramBuilder p;
    p.step(80, 1, {0.5f, 0.98f, 0.447f, 0.238f, 1}, {0, 5})
        .curve({0, 0, 0.08888889f, 0.9611111f, 0.5888889f, 0.7f, 0.8611111f, 0.1f, 1, 1});
    load_slot(1, constant_samples(500, 0.0));
    render(p);
    ASSERT_EQ(slot(1).size(), 500u);
    for (double v : slot(1)) ASSERT_EQ(v, 0.0);
}

TEST_F(ShapingEffects, BandCompressorWithIdentityCurveOnlyAppliesOutputGain) {
    ProgramBuilder p;
    p.step(80, 1, {0.5f, 0.98f, 0.447f, 0.238f, 0.5f}, {0, 2}).curve({0, 0, 1, 1});
    std::vector<double> sine(3000);
    for (size_t k = 0; k < sine.size(); ++k) sine[k] = 0.5 * std::sin(2.0 * M_PI * 440.0 * k / 44100.0);
    load_slot(1, sine);
    render(p);
    const std::vector<double> out = slot(1);
    // Once the band's envelope is above e^-6 the level curve maps every level onto itself.
    for (size_t k = 200; k < out.size(); ++k) ASSERT_NEAR(out[k], 0.5 * sine[k], 1e-12) << k;
}

TEST_F(ShapingEffects, BandWaveshaperWithFullBandShapesTheWholeSignal) {
    // Low-pass corner at half the sample rate, high-pass corner 0: the band is the whole signal.
    ProgramBuilder p;
    p.step(81, 1, {1, 0, 2}, {0, 2}).curve({0, 1, 1, 1});
    load_slot(1, {0.5, -0.3, 0.001, 0.2});
    render(p);
    const std::vector<double> out = slot(1);
    const double expected[] = {2.0, -2.0, 0.002, 2.0};  // 0.001 is below e^-6: left unshaped
    for (int k = 0; k < 4; ++k) EXPECT_NEAR(out[k], expected[k], 1e-9) << k;
}

TEST_F(ShapingEffects, GainEnvelopeFollowsCurveFromItsFirstPointAndClips) {
    ProgramBuilder ramp;
    ramp.step(87, 1, {1}, {0, 2}).curve({0, 0.25f, 1, 1});
    load_slot(1, constant_samples(4, 0.8));
    render(ramp);
    std::vector<double> out = slot(1);
    // Envelope at i/length = 0, 1/4, 2/4, 3/4 on the line from 0.25 to 1.
    const double ramp_expected[] = {0.2, 0.35, 0.5, 0.65};
    for (int k = 0; k < 4; ++k) EXPECT_NEAR(out[k], ramp_expected[k], 1e-15) << k;

    ProgramBuilder loud;
    loud.step(87, 1, {2}, {0, 2}).curve({0, 1, 1, 1});  // gain 10
    load_slot(1, {0.5, -0.5, 0.05});
    render(loud);
    out = slot(1);
    EXPECT_EQ(out[0], 1.0);
    EXPECT_EQ(out[1], -1.0);
    EXPECT_NEAR(out[2], 0.5, 1e-15);
}

// Opcode 89 at a fixed corner (a = 0.5, cutoff 0.0625) without resonance, after it has settled.
class SweptFilter : public SynthSlots {
protected:
    double settled_output(int mode, bool alternate) {
        ProgramBuilder p;
        p.step(89, 1, {}, {mode, 2, 2}).curve({0, 0, 1, 0}).curve({0, 0.5f, 1, 0.5f});
        std::vector<double> input(4000, 0.5);
        if (alternate) {
            for (size_t k = 1; k < input.size(); k += 2) input[k] = -0.5;
        }
        load_slot(1, input);
        render(p);
        return slot(1).back();
    }
};

TEST_F(SweptFilter, FirstByteZeroLowPassesAnyOtherValueHighPasses) {
    // Constant input is the lowest frequency, alternating input the highest.
    EXPECT_NEAR(settled_output(0, false), 0.5, 1e-6);
    EXPECT_NEAR(settled_output(0, true), 0.0, 1e-6);
    for (int mode : {1, 7}) {
        EXPECT_NEAR(settled_output(mode, false), 0.0, 1e-6) << mode;
        EXPECT_NEAR(std::fabs(settled_output(mode, true)), 0.5, 1e-6) << mode;
    }
}

TEST_F(ShapingEffects, PolarityInvertNegatesWithoutClipping) {
    load_slot(1, {1.5, -2.0, 0.25});
    render(ProgramBuilder().step(90, 1));
    EXPECT_EQ(slot(1), (std::vector<double>{-1.5, 2.0, -0.25}));
}

TEST_F(ShapingEffects, NormaliseBringsThePeakToFullScaleAndLeavesSilenceSilent) {
    load_slot(1, {0.25, -0.5, 0.1});
    load_slot(2, constant_samples(3, 0.0));
    render(ProgramBuilder().step(92, 1).step(92, 2));
    EXPECT_EQ(slot(1), (std::vector<double>{0.5, -1.0, 0.2}));
    EXPECT_EQ(slot(2), constant_samples(3, 0.0));
}
