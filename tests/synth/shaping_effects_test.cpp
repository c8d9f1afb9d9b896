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

// The sections' responses are pinned with the DSP primitives; here, which one a mode chooses.
TEST_F(ShapingEffects, SweptFilterFirstByteZeroLowPassesAnyOtherValueHighPasses) {
    // Opcode 89 at a fixed corner (a = 0.5, cutoff 0.0625) without resonance, settled on a constant.
    for (auto [mode, settled] : {std::pair{0, 0.5}, {7, 0.0}}) {
        ProgramBuilder filter;
        filter.step(OP_SWEPT_FILTER, 1, {}, {mode, 2, 2}).curve({0, 0, 1, 0}).curve({0, 0.5f, 1, 0.5f});
        EXPECT_NEAR(run(filter, std::vector<double>(4000, 0.5)).back(), settled, 1e-6) << mode;
    }
}

// Opcode 78 with curves that bend nothing and no loss is a linear mass on a spring. Once the input
// is silent its output rings as y(n + 2) = T y(n + 1) - D y(n): D, the energy kept per sample, is
// the velocity's damping 0.999, and T = 1 + D - K with K = 0.09 x the stiffness (1 here).
TEST_F(ShapingEffects, ResonatorRingsWithItsSpringConstantAndDamping) {
    std::vector<double> impulse(300, 0.0);
    impulse[0] = 0.5;
    const ProgramBuilder resonator = ProgramBuilder()
        .step(OP_NONLINEAR_RESONATOR, 1, {1, 1}, {0, 2, 2, 2}).curve({0, 0, 1, 1}).curve({0, 0, 1, 0}).curve({0, 0, 1, 1});
    const std::vector<double> y = run(resonator, impulse);
    // T and D from four samples of the ring.
    const size_t n = 200;
    const double det = y[n] * y[n + 2] - y[n + 1] * y[n + 1];
    EXPECT_NEAR((y[n] * y[n + 3] - y[n + 1] * y[n + 2]) / det, 1.999 - 0.09, 1e-9);
    EXPECT_NEAR((y[n + 1] * y[n + 3] - y[n + 2] * y[n + 2]) / det, 0.999, 1e-9);
}
