// The slot processing modules (opcodes 7, 8, 9, 15, 21, 22, 24, 27, 29, 90 and 92), each run
// through the driver on slots seeded with known samples. The gain envelope (opcode 87, gain 10
// under a flat envelope) shares their table of exact samples.
#include "synth_test_support.h"

using SlotProcessing = SynthSlots;

TEST_F(SlotProcessing, WholeSlotTransformsGiveTheirExactSamples) {
    struct Case { const char* what; ProgramBuilder program; std::vector<double> input, expected; };
    const Case cases[] = {
        {"copy takes the source's length", ProgramBuilder().step(OP_SLOT_COPY, 1, {}, {2}), {9, 9, 9, 9}, {1, 2, 3}},
        {"reverse", ProgramBuilder().step(OP_SLOT_REVERSE, 1), {1, 2, 3}, {3, 2, 1}},
        {"gain 10 clips", ProgramBuilder().step(OP_GAIN_ENVELOPE, 1, {2}, {0, 2}).curve({0, 1, 1, 1}), {0.5, -0.5, 0.05}, {1, -1, 0.5}},
        {"polarity invert does not clip", ProgramBuilder().step(OP_POLARITY_INVERT, 1), {1.5, -2, 0.25}, {-1.5, 2, -0.25}},
        {"normalise", ProgramBuilder().step(OP_NORMALISE, 1), {0.25, -0.5, 0.1}, {0.5, -1, 0.2}},
        {"normalise leaves silence", ProgramBuilder().step(OP_NORMALISE, 1), {0, 0, 0}, {0, 0, 0}},
        {"crop before the start", ProgramBuilder().step(OP_SLOT_CROP, 1).extra({}, {-1, 2}), {1, 2, 3, 4, 5}, {0, 1, 2, 3}},
        {"crop past the end", ProgramBuilder().step(OP_SLOT_CROP, 1).extra({}, {3, 6}), {1, 2, 3, 4, 5}, {4, 5, 0, 0}},
        {"crop last before first", ProgramBuilder().step(OP_SLOT_CROP, 1).extra({}, {4, 2}), {1, 2, 3, 4, 5}, {}},
        {"varispeed at 0 copies clipped", ProgramBuilder().step(OP_VARISPEED_READ, 1, {0}, {0, 2}).curve({0, 1, 1, 1}),
         {0.5, 1.5, -2, 0.25}, {0.5, 1, -1, 0.25}},
        {"varispeed at 1 plays at double speed", ProgramBuilder().step(OP_VARISPEED_READ, 1, {1}, {0, 2}).curve({0, 1, 1, 1}),
         {0, 0.1, 0.2, 0.3, 0.4, 0.5, 0.6, 0.7}, {0, 0.2, 0.4, 0.6, 0, 0, 0, 0}},
    };
    load_slot(2, {1.0, 2.0, 3.0});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        expect_samples(run(c.program, c.input), c.expected, 1e-15);
    }
}

TEST_F(SlotProcessing, MixSumsScaledSlotsOverTheLongestAndSkipsZeroBytes) {
    load_slot(1, std::vector<double>(4, 1.0));
    load_slot(2, std::vector<double>(2, 2.0));
    // The float of a zero byte (99 here) is ignored; slot 2 contributes 0 past its end.
    render(ProgramBuilder().step(OP_SLOT_MIX, 3, {0.5f, 99, 0.25f, 0, 0, 0, 0, 0}, {1, 0, 2, 0, 0, 0, 0, 0}));
    EXPECT_EQ(slot(3), (std::vector<double>{1.0, 1.0, 0.5, 0.5}));
    render(ProgramBuilder().step(OP_SLOT_MIX, 3, {1, 1, 1, 1, 1, 1, 1, 1}, {0, 0, 0, 0, 0, 0, 0, 0}));  // nothing mixed: empty
    EXPECT_EQ(synth_slot_length(3), 0);
}

TEST_F(SlotProcessing, SequencerFadesRetriggersSilencesRampsVolumesAndTransposes) {
    std::vector<double> ramp(30);
    for (size_t k = 0; k < ramp.size(); ++k) ramp[k] = k * 0.01;
    load_slot(2, ramp);  // played once, never looped
    // Sample j of each case is expected(ramp value r, fraction of a ticks-1 row frac, j).
    struct Case { const char* what; int ticks; std::vector<int> cells; double (*expected)(double, double, int); };
    const Case cases[] = {
        // No volume: fades out towards the next note, which restarts at full volume; an empty row plays on.
        {"fade and retrigger", 1, {48, 2, 0, 0, 0, 48, 2, 0, 0, 0, 0, 0, 0, 0, 0},
         [](double r, double frac, int j) { return j < 10 ? (1.0 - frac) * r : (j - 10) * 0.01; }},
        // Volume 50/99 gliding to the next row's 1, which changes the volume without a restart.
        {"volume ramp", 1, {48, 2, 51, 0, 0, 0, 0, 100, 0, 0, 0, 0, 0, 0, 0},
         [](double r, double frac, int j) { return j < 10 ? ((1.0 - frac) * 50.0 / 99.0 + frac) * r : r; }},
        {"slot byte 0 silences", 1, {48, 2, 0, 0, 0, 50, 0, 0, 0, 0},
         [](double r, double frac, int j) { return j < 10 ? (1.0 - frac) * r : 0.0; }},
        {"note 60 at double speed, once", 2, {60, 2, 0, 0, 0},
         [](double r, double, int j) { return j < 15 ? 2 * r : 0.0; }},
        {"note 36 at half speed", 2, {36, 2, 0, 0, 0}, [](double r, double, int) { return r / 2; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // Rows of 10 x ticks samples.
        const int rows = int(c.cells.size() / 5);
        render(ProgramBuilder().step(OP_PATTERN_SEQUENCER, 1, {}, {1, rows, c.ticks}).extra(c.cells, {11025}));
        std::vector<double> expected;
        for (int j = 0; j < rows * 10 * c.ticks; ++j) expected.push_back(c.expected(j * 0.01, (j % 10) / 10.0, j));
        expect_samples(slot(1), expected, 1e-15);
    }
}

TEST_F(SlotProcessing, EqualiserGainsSetTheLevelOfTheirRegions) {
    // Gain 200 everywhere passes 0.99 of the input, clipped to +-1.
    EXPECT_EQ(run(ProgramBuilder().step(OP_GRAPHIC_EQ, 1, std::vector<float>(10, 200)), {0.5, -0.25, 1.2, 0.1, -0.7}),
              (std::vector<double>{0.99 * 0.5, 0.99 * -0.25, 1.0, 0.99 * 0.1, 0.99 * -0.7}));
    // Gain 100 in the region above band 6 gives 10^-1 - 0.01 = 0.09, away from the run-in and out.
    const std::vector<float> gains = {200, 200, 200, 200, 200, 200, 200, 100, 200, 200};
    EXPECT_NEAR(peak(run(ProgramBuilder().step(OP_GRAPHIC_EQ, 1, gains), sine(3000, 44100.0 / 5500.0)), 500, 500), 0.09, 0.01);
}

// Opcode 22 over slot 1 for 88 samples: attack 0.01 ms, decay 1.01 ms, rate 1, negligible glide,
// gain 1, grains starting where the progress points; spawn interval `interval_ms`.
static ProgramBuilder grains(float interval_ms) {
    return ProgramBuilder().step(OP_GRAIN_CLOUD, 1, {0.002f, 0, 0, 1, 1, 0, 0, -20, -20, interval_ms, interval_ms, 1, 1, 1, 1});
}

// A grain's envelope after `elapsed` samples: rise over 0.441 samples, fall over 44.541.
static double grain_envelope(double elapsed) {
    const double attack = 0.01 * 44.1, decay = 1.01 * 44.1;
    return elapsed < attack ? elapsed / attack : (attack + decay - elapsed) / decay;
}

TEST_F(SlotProcessing, GrainCloudSpawnsItsFirstGrainAtSampleZeroAndSoundsAtMostSix) {
    const std::vector<double> out = run(grains(1000), std::vector<double>(1000, 1.0));
    ASSERT_EQ(out.size(), 88u);
    // Mixed in its spawn sample at envelope 0; over after 44, and no second grain yet.
    for (int e = 0; e < 88; ++e) EXPECT_NEAR(out[e], e >= 1 && e <= 44 ? grain_envelope(e) : 0.0, 1e-12) << e;
    // A zero interval tries to spawn every sample; grains start at samples 0..5, then all are busy.
    double six_grains = 0.0;
    for (int e = 5; e <= 10; ++e) six_grains += grain_envelope(e);
    EXPECT_NEAR(run(grains(0), std::vector<double>(1000, 1.0))[10], six_grains, 1e-12);
}
