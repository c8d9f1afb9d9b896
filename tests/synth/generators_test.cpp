// Generator modules through the driver: the percussion voice without a body envelope, the
// identities and far ends of the phase and wave shapes, and the noise source's freshly seeded draws.
// Everything else these modules do in the shipped program is pinned by the determinism hashes.
#include "synth_test_support.h"

using Generators = SynthSlots;

TEST_F(Generators, ShapesAreIdentitiesAtOneHalfAndPowersAtTheirEndsAndPercussionWithoutBodyIsSilent) {
    ProgramBuilder b;
    b.step(OP_PD_OSCILLATOR_2, 1, {0.05f, 0.5f, 0.5f, 1.0f}, {57});  // note 57 is 440 Hz
    b.step(OP_PD_OSCILLATOR_1, 2, {0.01f, 1.0f, 0.0f, 1.0f}, {57});  // a slow start (p^6), then the fifth power
    b.step(OP_NOISE_SOURCE, 3, {0.01f, 0.1f, 1.0f, 0.5f}, {0});     // saturated noise ignores the phase shape
    // Percussion for 0.01 s (440.99 samples, truncated), body 1000 Hz with no decay, level or tail,
    // no noise, body added after the clip.
    b.step(OP_PERCUSSION_VOICE, 4, {0.01f, 1000, 0, 0, 0, 0, 0.5f, 0.9f, 0.1f, 0, 0, 0, 1, 1}, {1, 0, 0, 0});
    render(b);
    EXPECT_EQ(slot(4), std::vector<double>(440, 0.0));
    const std::vector<double> identity = slot(1), phases = note_phases(identity.size(), 440.0);
    for (size_t i = 0; i < identity.size(); i++) ASSERT_EQ(identity[i], std::sin((phases[i] + phases[i]) * PI)) << i;
    const std::vector<double> slow = slot(2), noise = slot(3);
    synth_srand(0);  // each step draws rand_range(-1, 1) from a freshly seeded sequence
    for (size_t i = 0; i < slow.size(); i++) {
        ASSERT_NEAR(slow[i], std::pow(std::sin(2 * PI * std::pow(phases[i], 6)), 5), 1e-9) << i;
        const double y = -1.0 + synth_rand() * 2.0 / 32767.0;
        ASSERT_NEAR(noise[i], std::copysign(1.0 - std::pow(1.0 - std::fabs(y), 6), y) * 0.5, 1e-15) << i;
    }
}
