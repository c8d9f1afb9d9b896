// The delay-line effects (opcodes 82, 83, 84 and 94) through the driver: echoes arrive exactly when
// the shared line timing says, and no result depends on where delay_pos happened to stand when the
// step began. The shipped chorus, flanger and comb reverb are pinned by the determinism hashes.
#include "synth_test_support.h"

using DelayEffects = SynthSlots;

TEST_F(DelayEffects, ResultsDoNotDependOnTheStartingDelayPosition) {
    std::vector<double> input(6000);
    for (size_t k = 0; k < input.size(); ++k) input[k] = std::sin(0.05 * k) * std::exp(-0.0005 * k);
    // The shipped chorus, flanger and comb reverb, and a delay network.
    const struct { int opcode; std::vector<float> floats; std::vector<int> bytes; } effects[] = {
        {82, {19.709f, 10, 0, 250, 0, 0.5f}, {3}}, {83, {0.24f, 2.52f, 15.5f, 0, 0.468f}, {}},
        {84, {34.264f, 30.799f, 23.869f, 1000, 57.511f, 0.944f, 0.622f, 281, 0.084f}, {}},
        {94, {0.7f, 1.3f, 0.2f, 0.4f, 700, 1}, {0}},
    };
    for (const auto& effect : effects) {
        SCOPED_TRACE(effect.opcode);
        // A copy step in front moves delay_pos on by its length before the effect starts, so the
        // two runs start 88000 positions apart and at least one wraps past the end of the lines.
        std::vector<double> results[2];
        for (int k = 0; k < 2; ++k) {
            load_slot(3, std::vector<double>(k == 0 ? 1000 : 89000, 0.0));
            ProgramBuilder copy_then_effect = ProgramBuilder().step(OP_SLOT_COPY, 2, {}, {3});
            results[k] = run(copy_then_effect.step(effect.opcode, 1, effect.floats, effect.bytes), input);
        }
        // Equal up to rounding: a fractional delay's read position delay_pos - d rounds
        // differently at different magnitudes of delay_pos.
        expect_samples(results[1], results[0], 1e-9);
    }
}

TEST_F(DelayEffects, DelayNetworkReadsItsOwnWritesOneSampleLaterAndMayInvertTheRing) {
    std::vector<double> impulse(300, 0.0);
    impulse[0] = 1.0;
    for (int invert : {0, 1}) {
        // No spread, growth 1, size 100, fully wet. The input reaches line 8 after delay_pos has
        // advanced, so its first tap (0.22 x 100 = 22 samples) sounds at sample 23, not 22.
        const std::vector<double> out = run(ProgramBuilder().step(OP_DELAY_NETWORK_REVERB, 1, {0, 1, 0, 0, 100, 1}, {invert}), impulse);
        EXPECT_EQ(std::vector<double>(out.begin(), out.begin() + 23), std::vector<double>(23, 0.0));
        EXPECT_NEAR(out[23], 0.1 * 0.2, 1e-4);  // the input taps keep their sign
        // That tap lands in A7, which line 7 hands to A1 100 + 1 samples later, at gain q; a first
        // byte of 1 inverts the ring's first tap.
        EXPECT_NEAR(out[124] - out[123], (invert ? -1 : 1) * 0.1 * 0.2, 1e-4) << invert;
    }
}
