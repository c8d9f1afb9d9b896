// The slot processing modules (opcodes 7, 8, 9, 15, 21, 22, 24, 27 and 29), each run through the
// driver on slots seeded with known samples.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "slot_loading.h"
#include "synth_test_support.h"

using SlotProcessing = SynthSlots;

// samples[k] = k * step for k = 0 .. count - 1.
static std::vector<double> ramp(int count, double step) {
    std::vector<double> samples(static_cast<size_t>(count));
    for (int k = 0; k < count; ++k) samples[static_cast<size_t>(k)] = k * step;
    return samples;
}

static std::vector<double> sine(int count, double frequency_hz, double amplitude) {
    std::vector<double> samples(static_cast<size_t>(count));
    for (int k = 0; k < count; ++k) {
        samples[static_cast<size_t>(k)] = amplitude * std::sin(2.0 * M_PI * frequency_hz * k / 44100.0);
    }
    return samples;
}

// ---- Copy, mix, reverse, crop ---------------------------------------------------------------

TEST_F(SlotProcessing, CopyTakesTheSourcesLengthAndSamples) {
    load_slot(1, constant_samples(10, 9.0));
    load_slot(2, {1.0, 2.0, 3.0});
    render(ProgramBuilder().step(8, 1, {}, {2}));
    EXPECT_EQ(slot(1), (std::vector<double>{1.0, 2.0, 3.0}));
}

TEST_F(SlotProcessing, MixSumsScaledSlotsOverTheLongestAndSkipsZeroBytes) {
    load_slot(1, constant_samples(4, 1.0));
    load_slot(2, constant_samples(2, 2.0));
    // The float of a zero byte (99 here) is ignored; slot 2 contributes 0 past its end.
    render(ProgramBuilder().step(9, 3, {0.5f, 99, 0.25f, 0, 0, 0, 0, 0}, {1, 0, 2, 0, 0, 0, 0, 0}));
    EXPECT_EQ(slot(3), (std::vector<double>{1.0, 1.0, 0.5, 0.5}));

    render(ProgramBuilder().step(9, 3, {1, 1, 1, 1, 1, 1, 1, 1}, {0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(synth_slot_length(3), 0);
}

TEST_F(SlotProcessing, ReverseReadsTheSlotBackwards) {
    load_slot(1, {1.0, 2.0, 3.0});
    render(ProgramBuilder().step(27, 1));
    EXPECT_EQ(slot(1), (std::vector<double>{3.0, 2.0, 1.0}));
}

TEST_F(SlotProcessing, CropTakesFirstToLastWithSilenceOutsideTheSlot) {
    const std::vector<double> source{1.0, 2.0, 3.0, 4.0, 5.0};
    load_slot(1, source);
    load_slot(2, source);
    load_slot(3, source);
    ProgramBuilder p;
    p.step(29, 1).extra_ints({-1, 2}).step(29, 2).extra_ints({3, 6}).step(29, 3).extra_ints({4, 2});
    render(p);
    EXPECT_EQ(slot(1), (std::vector<double>{0.0, 1.0, 2.0, 3.0}));
    EXPECT_EQ(slot(2), (std::vector<double>{4.0, 5.0, 0.0, 0.0}));
    EXPECT_EQ(synth_slot_length(3), 0);  // last before first: nothing to render
}

// ---- Pattern sequencer ----------------------------------------------------------------------

// One channel at tempo 11025 with `ticks` ticks per row: rows of 10 x ticks samples.
static ProgramBuilder sequence(int ticks, std::initializer_list<int> cells) {
    const int rows = static_cast<int>(cells.size() / 5);
    ProgramBuilder p;
    p.step(7, 1, {}, {1, rows, ticks}).extra_bytes(cells).extra_ints({11025});
    return p;
}

TEST_F(SlotProcessing, SequencerNoteWithoutVolumeFadesOutBeforeTheNextNoteAndRetriggers) {
    load_slot(2, ramp(40, 0.01));
    render(sequence(1, {48, 2, 0, 0, 0,  //
                        48, 2, 0, 0, 0,  //
                        0, 0, 0, 0, 0}));
    const std::vector<double> out = slot(1);
    ASSERT_EQ(out.size(), 30u);
    for (int j = 0; j < 10; ++j) {
        EXPECT_NEAR(out[j], (1.0 - j / 10.0) * (j * 0.01), 1e-15) << j;  // fades to the next note
        EXPECT_NEAR(out[10 + j], j * 0.01, 1e-15) << j;                   // restarted, full volume
        EXPECT_NEAR(out[20 + j], (10 + j) * 0.01, 1e-15) << j;            // an empty row plays on
    }
}

TEST_F(SlotProcessing, SequencerSlotByteZeroSilencesTheChannel) {
    load_slot(2, constant_samples(40, 1.0));
    render(sequence(1, {48, 2, 0, 0, 0,  //
                        50, 0, 0, 0, 0}));
    const std::vector<double> out = slot(1);
    ASSERT_EQ(out.size(), 20u);
    EXPECT_EQ(out[0], 1.0);
    for (int j = 10; j < 20; ++j) EXPECT_EQ(out[j], 0.0) << j;
}

TEST_F(SlotProcessing, SequencerNoteSixtyPlaysAtDoubleSpeedAndThirtySixAtHalf) {
    load_slot(2, ramp(30, 0.01));
    render(sequence(2, {60, 2, 0, 0, 0}));
    std::vector<double> out = slot(1);
    ASSERT_EQ(out.size(), 20u);
    for (int i = 0; i < 15; ++i) EXPECT_NEAR(out[i], 2 * i * 0.01, 1e-15) << i;
    for (int i = 15; i < 20; ++i) EXPECT_EQ(out[i], 0.0) << i;  // played once, no looping

    render(sequence(2, {36, 2, 0, 0, 0}));
    out = slot(1);
    for (int i = 0; i < 20; ++i) EXPECT_NEAR(out[i], i * 0.005, 1e-15) << i;
}

TEST_F(SlotProcessing, SequencerVolumesRampAcrossTheRowAndChangeWithoutRetrigger) {
    load_slot(2, ramp(40, 0.01));
    render(sequence(1, {48, 2, 51, 0, 0,  // volume 50/99, gliding to the next row's 1
                        0, 0, 100, 0, 0,  // volume 1 without restarting the slot
                        0, 0, 0, 0, 0}));
    const std::vector<double> out = slot(1);
    for (int j = 0; j < 10; ++j) {
        const double frac = j / 10.0;
        EXPECT_NEAR(out[j], ((1.0 - frac) * 50.0 / 99.0 + frac) * (j * 0.01), 1e-15) << j;
        EXPECT_NEAR(out[10 + j], (10 + j) * 0.01, 1e-15) << j;
        EXPECT_NEAR(out[20 + j], (20 + j) * 0.01, 1e-15) << j;
    }
}

// ---- Graphic equaliser ----------------------------------------------------------------------

static ProgramBuilder equaliser(std::initializer_list<float> gains) {
    return ProgramBuilder().step(15, 1, gains);
}

TEST_F(SlotProcessing, EqualiserAtGain200PassesPointNineNineAndAtGain0Silences) {
    const std::vector<double> input{0.5, -0.25, 1.2, 0.1, -0.7};
    load_slot(1, input);
    render(equaliser({200, 200, 200, 200, 200, 200, 200, 200, 200, 200}));
    const std::vector<double> out = slot(1);
    ASSERT_EQ(out.size(), input.size());
    for (size_t k = 0; k < input.size(); ++k) {
        EXPECT_DOUBLE_EQ(out[k], std::fmin(0.99 * input[k], 1.0)) << k;  // clipped to +-1
    }

    load_slot(1, input);
    render(equaliser({0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(slot(1), constant_samples(5, 0.0));
}

// Peak level of the middle of the slot, away from the filter's run-in at both ends.
static double middle_peak(const std::vector<double>& samples) {
    double peak = 0.0;
    for (size_t k = 500; k < samples.size() - 500; ++k) peak = std::fmax(peak, std::fabs(samples[k]));
    return peak;
}

TEST_F(SlotProcessing, EqualiserMutingTheTopRegionKeepsLowTonesAndRemovesHighOnes) {
    const std::initializer_list<float> top_muted{200, 200, 200, 200, 200, 200, 200, 200, 200, 0};
    load_slot(1, sine(3000, 1000.0, 0.5));
    render(equaliser(top_muted));
    EXPECT_NEAR(middle_peak(slot(1)), 0.99 * 0.5, 0.01);

    load_slot(1, sine(3000, 20000.0, 0.5));
    render(equaliser(top_muted));
    EXPECT_LT(middle_peak(slot(1)), 0.02);
}

TEST_F(SlotProcessing, EqualiserGainSevenSetsTheRegionBetweenBandsSixAndSeven) {
    // fparam[7] = 100 gives 10^-1 - 0.01 = 0.09 between 4100 Hz and 7000 Hz.
    const std::initializer_list<float> dip{200, 200, 200, 200, 200, 200, 200, 100, 200, 200};
    load_slot(1, sine(3000, 5500.0, 0.5));
    render(equaliser(dip));
    EXPECT_NEAR(middle_peak(slot(1)), 0.09 * 0.5, 0.005);

    for (double outside : {1500.0, 12000.0}) {
        load_slot(1, sine(3000, outside, 0.5));
        render(equaliser(dip));
        EXPECT_NEAR(middle_peak(slot(1)), 0.99 * 0.5, 0.01) << outside;
    }
}

// ---- Cross modulator ------------------------------------------------------------------------

// Opcode 21 on slot 1 with modulator slot 2: position depth, ring depth, amplitude envelope
// amount and gain as given; envelope attack 1 ms, no decay, sustain 1.
static ProgramBuilder cross_modulation(float position_depth, float ring_depth, float amplitude) {
    return ProgramBuilder().step(
        21, 1, {position_depth, 0.3f, ring_depth, 0, 1, 0, 1, 1, amplitude, 1}, {2});
}

TEST_F(SlotProcessing, CrossModulatorWithoutModulationShiftsOneSampleEarlier) {
    load_slot(1, {0.1, 0.2, 0.3, 0.4});
    load_slot(2, {5.0, -5.0, 5.0, 5.0});
    render(cross_modulation(0, 0, 0));
    EXPECT_EQ(slot(1), (std::vector<double>{0.2, 0.3, 0.4, 0.0}));
}

TEST_F(SlotProcessing, CrossModulatorRingModulatesBendsThePositionAndShapesTheAmplitude) {
    load_slot(1, {0.1, 0.2, 0.3, 0.4});
    load_slot(2, {1.0, -1.0, 0.5, 2.0});
    render(cross_modulation(0, 1, 0));
    EXPECT_EQ(slot(1), (std::vector<double>{0.2, -0.3, 0.2, 0.0}));

    // A constant modulator of 1 at depth 0.25 advances the read position by 1 + 5 x A, where the
    // position envelope amount 0.3 gives A = 0.7 + 0.3 x env, and env rises over 44.1 samples.
    load_slot(1, ramp(20, 1.0));
    load_slot(2, constant_samples(20, 1.0));
    render(cross_modulation(0.25f, 0, 0));
    const std::vector<double> bent = slot(1);
    double position = 0.0;
    for (int t = 0; t < 5; ++t) {
        position += 1.0 + 5.0 * (0.7 + 0.3 * (t / 44.1));
        EXPECT_NEAR(bent[t], position <= 19.0 ? position : 0.0, 1e-6) << t;
    }
    EXPECT_EQ(bent[4], 0.0);  // past the end of the ramp

    // Full amplitude envelope: a 1 ms (44.1-sample) rise, then sustain at 1.
    load_slot(1, constant_samples(100, 1.0));
    render(cross_modulation(0, 0, 1));
    const std::vector<double> shaped = slot(1);
    EXPECT_EQ(shaped[0], 0.0);
    EXPECT_NEAR(shaped[10], 10 / 44.1, 1e-15);
    EXPECT_EQ(shaped[50], 1.0);
    EXPECT_EQ(shaped[99], 0.0);  // reads past the end
}

// ---- Varispeed ------------------------------------------------------------------------------

TEST_F(SlotProcessing, VarispeedAtAmountZeroCopiesClippedAndAtOnePlaysDoubleSpeed) {
    load_slot(1, {0.5, 1.5, -2.0, 0.25});
    render(ProgramBuilder().step(24, 1, {0}, {0, 2}).curve({0, 1, 1, 1}));
    EXPECT_EQ(slot(1), (std::vector<double>{0.5, 1.0, -1.0, 0.25}));

    load_slot(1, ramp(8, 0.1));
    render(ProgramBuilder().step(24, 1, {1}, {0, 2}).curve({0, 1, 1, 1}));
    const std::vector<double> out = slot(1);
    const double expected[] = {0.0, 0.2, 0.4, 0.6, 0.0, 0.0, 0.0, 0.0};
    for (int k = 0; k < 8; ++k) EXPECT_NEAR(out[k], expected[k], 1e-15) << k;
}

// ---- Grain cloud ----------------------------------------------------------------------------

// Opcode 22 over slot 1 for 88 samples: attack 0.01 ms, decay 1.01 ms, rate 1, negligible glide,
// gain 1, grains starting where the progress points; spawn interval `interval_ms`.
static ProgramBuilder grains(float interval_ms) {
    return ProgramBuilder().step(22, 1, {0.002f, 0, 0, 1, 1, 0, 0, -20, -20, interval_ms,
                                         interval_ms, 1, 1, 1, 1});
}

// A grain's envelope after `elapsed` samples: rise over 0.441 samples, fall over 44.541.
static double grain_envelope(double elapsed) {
    const double attack = 0.01 * 44.1, decay = 1.01 * 44.1;
    if (elapsed < attack) return elapsed / attack;
    return (attack + decay - elapsed) / decay;
}

TEST_F(SlotProcessing, GrainCloudSpawnsItsFirstGrainAtSampleZero) {
    load_slot(1, constant_samples(1000, 1.0));
    render(grains(1000));
    const std::vector<double> out = slot(1);
    ASSERT_EQ(out.size(), 88u);
    EXPECT_EQ(out[0], 0.0);  // mixed in its spawn sample, at envelope 0
    for (int e = 1; e <= 44; ++e) EXPECT_NEAR(out[e], grain_envelope(e), 1e-12) << e;
    for (int e = 45; e < 88; ++e) EXPECT_EQ(out[e], 0.0) << e;  // over, and no second grain yet
}

TEST_F(SlotProcessing, GrainCloudSoundsAtMostSixGrains) {
    // A zero interval tries to spawn every sample; grains start at samples 0..5, then all are busy.
    load_slot(1, constant_samples(1000, 1.0));
    render(grains(0));
    double six_grains = 0.0;
    for (int e = 5; e <= 10; ++e) six_grains += grain_envelope(e);
    EXPECT_NEAR(slot(1)[10], six_grains, 1e-12);
}
