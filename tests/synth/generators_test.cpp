// Generator modules through the driver: the percussion voice's body and envelopes, the shaping
// identities of the phase-shaped oscillator and the noise source, and the note frequency.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "synth/dsp.h"
#include "synth_test_support.h"

class Generators : public SynthSlots {};

// The noise of a step: rand_range(-1, 1) from a freshly seeded sequence.
static std::vector<double> step_noise(size_t count) {
    synth_srand(0);
    std::vector<double> noise(count);
    for (double& y : noise) y = -1.0 + synth_rand() * 2.0 / 32767.0;
    return noise;
}

TEST_F(Generators, PercussionBodyAloneIsAnUnfilteredSineStartingAtZero) {
    ProgramBuilder b;
    // 0.01 s, body 1000 Hz, no noise, body added after the clip, one filter section of each kind.
    b.step(0, 1, {0.01f, 1000, 0.125f, 0.5f, 0.5f, 0, 0.5f, 0.9f, 0.1f, 0, 0, 0, 1, 1}, {1, 0, 0, 1});
    render(b);
    std::vector<double> out = slot(1);
    ASSERT_EQ(out.size(), 440u);  // 0.01f x 44100 = 440.99..., truncated
    EXPECT_EQ(out[0], 0.0);
    // body_env falls linearly from 1 to 0.5 over 125 ms; the phase advances at 1000 Hz x body_env.
    double phase = 0.0;
    for (size_t i = 0; i < out.size(); i++) {
        double env = 0.5 + (5512.5 - i) * 0.5 / 5512.5;
        ASSERT_NEAR(out[i], std::sin(2 * PI * phase) * env, 1e-12) << i;
        phase = phase + 1000.0 * env / 44100.0;
        phase -= std::floor(phase);
    }
}

TEST_F(Generators, PercussionWithZeroBodyEnvelopeIsSilent) {
    ProgramBuilder b;
    b.step(0, 1, {0.01f, 1000, 0, 0, 0, 0, 0.5f, 0.9f, 0.1f, 0, 0, 0, 1, 1}, {1, 0, 0, 0});
    render(b);
    for (double v : slot(1)) ASSERT_EQ(v, 0.0);
}

TEST_F(Generators, PercussionNoiseIsFilteredAndClipped) {
    ProgramBuilder b;
    b.step(0, 1, {0.05f, 100, 0.1f, 0.5f, 0.5f, 0.001f, 0.5f, 0.7f, 0.3f, 0.5f, 0.5f, 0.3f, 4, 0}, {0, 1, 0, 0});
    render(b);
    std::vector<double> out = slot(1);
    double peak = 0.0;
    for (double v : out) {
        ASSERT_LE(std::fabs(v), 1.0);
        peak = std::fmax(peak, std::fabs(v));
    }
    EXPECT_GT(peak, 0.1);
}

TEST_F(Generators, ShapingAtOneHalfIsAnIdentityOnTheNoteSine) {
    ProgramBuilder b;
    b.step(130, 1, {0.05f, 0.5f, 0.5f, 1.0f}, {57});
    render(b);
    std::vector<double> out = slot(1);
    double phase = 0.0;
    for (size_t i = 0; i < out.size(); i++) {
        ASSERT_EQ(out[i], std::sin((phase + phase) * PI)) << i;
        phase = phase + 440.0 / 44100.0;  // note 57 is 440 Hz
        phase -= std::floor(phase);
    }
}

TEST_F(Generators, NoiseSourceShapesEachDrawAndIgnoresThePhaseShape) {
    ProgramBuilder b;
    b.step(5, 1, {0.01f, 0.5f, 0.5f, 0.5f}, {0});   // linear: half the noise
    b.step(5, 2, {0.01f, 0.9f, 1.0f, 1.0f}, {0});   // full saturation
    b.step(5, 3, {0.01f, 0.1f, 1.0f, 1.0f}, {0});   // another phase shape, same output
    b.step(5, 4, {0.01f, 0.5f, 0.0f, 1.0f}, {0});   // fifth power
    render(b);
    std::vector<double> half = slot(1), saturated = slot(2), other = slot(3), fifth = slot(4);
    std::vector<double> noise = step_noise(half.size());
    EXPECT_EQ(saturated, other);
    for (size_t i = 0; i < noise.size(); i++) {
        double y = noise[i];
        EXPECT_EQ(half[i], y * 0.5);
        EXPECT_NEAR(saturated[i], std::copysign(1.0 - std::pow(1.0 - std::fabs(y), 6), y), 1e-15);
        EXPECT_NEAR(fifth[i], std::pow(y, 5), 1e-15);
    }
    // The saturating shaper maps 0.5 to 1 - 0.5^6.
    EXPECT_EQ(1.0 - std::pow(0.5, 6), 0.984375);
}

TEST_F(Generators, PhaseShapeBendsTheCycleTowardsAFastStart) {
    ProgramBuilder b;
    b.step(129, 1, {0.01f, 0.0f, 0.5f, 1.0f}, {57});
    render(b);
    std::vector<double> out = slot(1);
    double phase = 0.0;
    for (size_t i = 0; i < out.size(); i++) {
        double q = 1.0 - std::pow(phase - 1.0, 6);
        ASSERT_NEAR(out[i], std::sin(2 * PI * q), 1e-9) << i;
        phase = phase + 440.0 / 44100.0;
        phase -= std::floor(phase);
    }
}
