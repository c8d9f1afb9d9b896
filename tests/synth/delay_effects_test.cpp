// The delay-line effects (opcodes 82, 83, 84 and 94) through the driver: silence in gives silence
// out, echoes arrive exactly when the shared line timing says, and no result depends on where
// delay_pos happened to stand when the step began.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "synth_test_support.h"

using DelayEffects = SynthSlots;

static std::vector<double> impulse(int count) {
    std::vector<double> samples(size_t(count), 0.0);
    samples[0] = 1.0;
    return samples;
}

// Appends to `p` the shipped chorus (0), flanger (1) or comb reverb at wet mix `wet` (2), or a
// delay network (3), on slot 1.
static ProgramBuilder& add_effect(ProgramBuilder& p, int which, float wet = 0.084f) {
    if (which == 0) return p.step(82, 1, {19.709f, 10, 0, 250, 0, 0.5f}, {3});
    if (which == 1) return p.step(83, 1, {0.24f, 2.52f, 15.5f, 0, 0.468f});
    if (which == 2) return p.step(84, 1, {34.264f, 30.799f, 23.869f, 1000, 57.511f, 0.944f, 0.622f, 281, wet});
    return p.step(94, 1, {0.7f, 1.3f, 0.2f, 0.4f, 700, 1}, {0});
}

TEST_F(DelayEffects, SilenceStaysSilentAndResultsDoNotDependOnTheStartingDelayPosition) {
    std::vector<double> input(6000);
    for (size_t k = 0; k < input.size(); ++k) input[k] = std::sin(0.05 * k) * std::exp(-0.0005 * k);
    for (int which = 0; which < 4; ++which) {
        SCOPED_TRACE(which);
        ProgramBuilder alone, p[2];
        EXPECT_EQ(run(add_effect(alone, which), constant_samples(3000, 0.0)), constant_samples(3000, 0.0));
        // A copy step in front moves delay_pos on by its length before the effect starts, so the
        // two runs start 88000 positions apart and at least one wraps past the end of the lines.
        std::vector<double> results[2];
        for (int k = 0; k < 2; ++k) {
            load_slot(3, constant_samples(k == 0 ? 1000 : 89000, 0.0));
            results[k] = run(add_effect(p[k].step(8, 2, {}, {3}), which), input);
        }
        // Equal up to rounding: a fractional delay's read position delay_pos - d rounds
        // differently at different magnitudes of delay_pos.
        expect_samples(results[1], results[0], 1e-9);
    }
}

TEST_F(DelayEffects, FlangerAndCombReverbWithoutMixPassTheInput) {
    std::vector<double> input(8000, 0.0);
    for (size_t k = 0; k < 200; ++k) input[k] = std::sin(0.3 * k);
    ProgramBuilder comb;
    EXPECT_EQ(run(add_effect(comb, 2, 0.0f), input), input);
    const std::vector<double> flanged = run(ProgramBuilder().step(83, 1, {5, 10, 10, 0, 0}), impulse(1000));
    EXPECT_NEAR(flanged[0], 1.0, 0.003);                  // high-passed at 22.05 Hz even when dry
    EXPECT_NEAR(flanged[441] - flanged[440], 0.0, 1e-4);  // and without an echo
}

TEST_F(DelayEffects, DelayNetworkReadsItsOwnWritesOneSampleLaterAndMayInvertTheRing) {
    for (int invert : {0, 1}) {
        // No spread, growth 1, size 100, fully wet. The input reaches line 8 after delay_pos has
        // advanced, so its first tap (0.22 x 100 = 22 samples) sounds at sample 23, not 22.
        const std::vector<double> out = run(ProgramBuilder().step(94, 1, {0, 1, 0, 0, 100, 1}, {invert}), impulse(300));
        EXPECT_EQ(std::vector<double>(out.begin(), out.begin() + 23), constant_samples(23, 0.0));
        EXPECT_NEAR(out[23], 0.1 * 0.2, 1e-4);  // the input taps keep their sign
        // That tap lands in A7, which line 7 hands to A1 100 + 1 samples later, at gain q; a first
        // byte of 1 inverts the ring's first tap.
        EXPECT_NEAR(out[124] - out[123], (invert ? -1 : 1) * 0.1 * 0.2, 1e-4) << invert;
    }
}
