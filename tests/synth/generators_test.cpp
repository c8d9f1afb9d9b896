// Generator modules through the driver: the percussion voice's body and envelopes, the shaping
// identities of the phase-shaped oscillator and the noise source, and the note frequency.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "synth/dsp.h"
#include "synth_test_support.h"

using Generators = SynthSlots;

TEST_F(Generators, PercussionBodyAloneIsAnUnfilteredSineAndSilentWithZeroBodyEnvelope) {
    // 0.01 s, body 1000 Hz, no noise, body added after the clip, one filter section of each kind.
    render(ProgramBuilder()
               .step(0, 1, {0.01f, 1000, 0.125f, 0.5f, 0.5f, 0, 0.5f, 0.9f, 0.1f, 0, 0, 0, 1, 1}, {1, 0, 0, 1})
               .step(0, 2, {0.01f, 1000, 0, 0, 0, 0, 0.5f, 0.9f, 0.1f, 0, 0, 0, 1, 1}, {1, 0, 0, 0}));
    std::vector<double> out = slot(1);
    ASSERT_EQ(out.size(), 440u);  // 0.01f x 44100 = 440.99..., truncated
    // body_env falls linearly from 1 to 0.5 over 125 ms; the phase advances at 1000 Hz x body_env.
    double phase = 0.0;
    for (size_t i = 0; i < out.size(); i++) {
        double env = 0.5 + (5512.5 - i) * 0.5 / 5512.5;
        ASSERT_NEAR(out[i], std::sin(2 * PI * phase) * env, 1e-12) << i;
        phase = phase + 1000.0 * env / 44100.0;
        phase -= std::floor(phase);
    }
    EXPECT_EQ(out[0], 0.0);
    EXPECT_EQ(slot(2), constant_samples(440, 0.0));
}

TEST_F(Generators, PhaseShapeBendsTheCycleAndIsAnIdentityAtOneHalf) {
    ProgramBuilder b;
    b.step(130, 1, {0.05f, 0.5f, 0.5f, 1.0f}, {57});  // note 57 is 440 Hz
    b.step(129, 2, {0.01f, 0.0f, 0.5f, 1.0f}, {57});  // shape 0: a fast start
    render(b);
    const std::vector<double> identity = slot(1), bent = slot(2), phases = note_phases(identity.size(), 440.0);
    for (size_t i = 0; i < identity.size(); i++) ASSERT_EQ(identity[i], std::sin((phases[i] + phases[i]) * PI)) << i;
    for (size_t i = 0; i < bent.size(); i++) ASSERT_NEAR(bent[i], std::sin(2 * PI * (1.0 - std::pow(phases[i] - 1.0, 6))), 1e-9) << i;
}

TEST_F(Generators, NoiseSourceShapesEachDrawAndIgnoresThePhaseShape) {
    ProgramBuilder b;
    b.step(5, 1, {0.01f, 0.5f, 0.5f, 0.5f}, {0});  // linear: half the noise
    b.step(5, 2, {0.01f, 0.9f, 1.0f, 1.0f}, {0});  // full saturation
    b.step(5, 3, {0.01f, 0.1f, 1.0f, 1.0f}, {0});  // another phase shape, same output
    b.step(5, 4, {0.01f, 0.5f, 0.0f, 1.0f}, {0});  // fifth power
    render(b);
    std::vector<double> half = slot(1), saturated = slot(2), fifth = slot(4);
    EXPECT_EQ(saturated, slot(3));
    synth_srand(0);  // each step draws rand_range(-1, 1) from a freshly seeded sequence
    for (size_t i = 0; i < half.size(); i++) {
        const double y = -1.0 + synth_rand() * 2.0 / 32767.0;
        EXPECT_EQ(half[i], y * 0.5);
        EXPECT_NEAR(saturated[i], std::copysign(1.0 - std::pow(1.0 - std::fabs(y), 6), y), 1e-15);
        EXPECT_NEAR(fifth[i], std::pow(y, 5), 1e-15);
    }
}
