// The delay-line effects (opcodes 82, 83, 84 and 94) through the driver: echoes arrive after their
// lines' lengths, exactly when the shared line timing says, the dry paths' high-passes sit at their
// corners, and no result depends on where delay_pos happened to stand when the step began. The
// shipped chorus, flanger and comb reverb are pinned by the determinism hashes.
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

// The echo of a comb of L samples with a decay of 1000 ms: the loop loses e^6 over the decay.
static double comb_echo(double length) { return 1.0 - std::exp(-6.0 * length / 44100.0); }

// An impulse through each effect echoes after its lines' lengths, in ms at 44.1 samples a ms (one
// comb family of the comb reverb counts 37.1), at the heights the effect gives them. An echo is a
// sample that stands out from its neighbours' mean more than they do from theirs.
TEST_F(DelayEffects, AnImpulseEchoesAfterEachLinesLength) {
    struct Echo { size_t at; double height; };
    const struct { const char* what; int opcode; std::vector<float> floats; std::vector<int> bytes; size_t length;
                   std::vector<Echo> echoes; } cases[] = {
        // Three unmodulated voices 10 ms apart, fully wet: a third each, a sample beyond the spacing.
        {"chorus", OP_CHORUS, {0, 10, 0, 0, 0, 1}, {3}, 1400, {{442, 1 / 3.0}, {883, 1 / 3.0}, {1324, 1 / 3.0}}},
        // Shortest and longest delay 10 ms: a fixed echo, half of it at mix 1.
        {"flanger", OP_FLANGER, {0, 10, 10, 0, 1}, {}, 1000, {{441, 0.5}}},
        // One comb length at a time, the others 2000 ms (beyond the run), fully wet.
        {"comb length 1", OP_COMB_REVERB, {10, 2000, 2000, 1000, 0, 1, 0, 0, 1}, {}, 700,
         {{371, comb_echo(371)}, {441, comb_echo(441)}}},
        {"comb length 2", OP_COMB_REVERB, {2000, 20, 2000, 1000, 0, 1, 0, 0, 1}, {}, 1400,
         {{742, comb_echo(742)}, {882, comb_echo(882)}}},
        {"comb length 3", OP_COMB_REVERB, {2000, 2000, 30, 1000, 0, 1, 0, 0, 1}, {}, 1400,
         {{1113, comb_echo(1113)}, {1323, comb_echo(1323)}}},
        // A pre-delay loop of 10 ms with gain e^(-6 x 10 / (0.5 x 1000 + 500)).
        {"comb pre-delay", OP_COMB_REVERB, {2000, 2000, 2000, 1000, 10, 1, 0, 500, 1}, {}, 700, {{441, std::exp(-0.06)}}},
        // No spread, growth 1, size 100, fully wet. The input taps at 0.22, 0.39, 0.63, 0.81 and 1 of
        // the size sound a sample late, as the input reaches line 8 after delay_pos has advanced; the
        // first lands in A7, which line 7 hands to A1 100 + 1 samples later at gain q, and a first
        // byte of 1 inverts that tap.
        {"delay network", OP_DELAY_NETWORK_REVERB, {0, 1, 0, 0, 100, 1}, {0}, 130,
         {{23, 0.02}, {40, -0.04}, {64, 0.06}, {82, -0.08}, {101, 0.1}, {124, 0.02}}},
        {"delay network inverted", OP_DELAY_NETWORK_REVERB, {0, 1, 0, 0, 100, 1}, {1}, 130,
         {{23, 0.02}, {40, -0.04}, {64, 0.06}, {82, -0.08}, {101, 0.1}, {124, -0.02}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<double> impulse(c.length, 0.0);
        impulse[0] = 1.0;
        const std::vector<double> out = run(ProgramBuilder().step(c.opcode, 1, c.floats, c.bytes), impulse);
        const auto height = [&](size_t n) { return out[n] - 0.5 * (out[n - 1] + out[n + 1]); };
        std::vector<size_t> found, wanted;
        for (size_t n = 2; n + 2 < out.size(); ++n) {
            const double h = std::fabs(height(n));
            if (h > 0.005 && h > std::fabs(height(n - 1)) && h > std::fabs(height(n + 1))) found.push_back(n);
        }
        for (const Echo& echo : c.echoes) wanted.push_back(echo.at);
        ASSERT_EQ(found, wanted);
        // Within 5 %: the combs' and the pre-delay's slow modulation spreads an echo a little.
        for (const Echo& echo : c.echoes) EXPECT_NEAR(height(echo.at), echo.height, 0.05 * std::fabs(echo.height)) << echo.at;
    }
}

// With the dry signal alone, each effect's offset-removing high-pass passes 1/sqrt(2) of a sine at
// its corner: 0.001 of half the sample rate for the chorus and the flanger (22.05 Hz, 2000 samples
// a cycle), 0.0001 for the delay network.
TEST_F(DelayEffects, DryPathsHighPassAtTheirCorner) {
    const struct { int opcode; std::vector<float> floats; std::vector<int> bytes; double period; } cases[] = {
        {OP_CHORUS, {0, 10, 0, 0, 0, 0}, {3}, 2000}, {OP_FLANGER, {0, 10, 10, 0, 0}, {}, 2000},
        {OP_DELAY_NETWORK_REVERB, {0, 1, 0, 0, 100, 0}, {0}, 20000},
    };
    for (const auto& c : cases) {
        // Three cycles to settle, two to measure.
        const std::vector<double> out = run(ProgramBuilder().step(c.opcode, 1, c.floats, c.bytes), sine(size_t(5 * c.period), c.period, 0.5));
        EXPECT_NEAR(sine_amplitude(out, c.period, 2), 0.5 / std::sqrt(2.0), 1e-5) << c.opcode;
    }
}
