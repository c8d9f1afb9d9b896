// The in-place shaping, dynamics and filter effects (opcodes 80, 81 and 89), each run through the
// driver on a slot seeded with known samples, at the edges the shipped program does not reach (the
// resonator, opcode 78, and these modules' shipped settings are pinned by the determinism hashes;
// the gain envelope's clip, opcode 87, is in the slot processing table of exact samples).
#include "synth_test_support.h"

using ShapingEffects = SynthSlots;

TEST_F(ShapingEffects, BandCompressorSilentOnSilenceAndWithIdentityCurveOnlyAppliesOutputGain) {
    std::vector<double> input(3500, 0.0);  // silence, then a 440 Hz sine at half scale
    for (size_t k = 500; k < input.size(); ++k) input[k] = 0.5 * std::sin(2.0 * M_PI * 440.0 * (k - 500) / 44100.0);
    const std::vector<double> out =
        run(ProgramBuilder().step(OP_BAND_COMPRESSOR, 1, {0.5f, 0.98f, 0.447f, 0.238f, 0.5f}, {0, 2}).curve({0, 0, 1, 1}), input);
    for (size_t k = 0; k < out.size(); ++k) {
        if (k >= 500 && k < 700) continue;  // the band's envelope rises above e^-6, where the curve starts
        ASSERT_NEAR(out[k], 0.5 * input[k], 1e-12) << k;
    }
}

TEST_F(ShapingEffects, SweptFilterFirstByteZeroLowPassesAnyOtherValueHighPasses) {
    // Opcode 89 at a fixed corner (a = 0.5, cutoff 0.0625) without resonance, once settled.
    // Constant input is the lowest frequency, alternating input the highest.
    struct Case { int mode; bool alternate; double settled; };
    for (Case c : {Case{0, false, 0.5}, Case{0, true, 0.0}, Case{7, false, 0.0}, Case{7, true, 0.5}}) {
        std::vector<double> input(4000, 0.5);
        for (size_t k = 1; c.alternate && k < input.size(); k += 2) input[k] = -0.5;
        ProgramBuilder filter;
        filter.step(OP_SWEPT_FILTER, 1, {}, {c.mode, 2, 2}).curve({0, 0, 1, 0}).curve({0, 0.5f, 1, 0.5f});
        EXPECT_NEAR(std::fabs(run(filter, input).back()), c.settled, 1e-6) << c.mode << " " << c.alternate;
    }
}
