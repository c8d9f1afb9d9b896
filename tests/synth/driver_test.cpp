// The driver: decoding with running cursors, the length rules, the work-slot discipline, the
// hand-over to 16-bit samples and the refusal of programs that could corrupt memory.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "synth/program.h"
#include "synth_test_support.h"

struct ExpectedStep {
    int opcode, slot;
    int float_count;
    double first_float, last_float;
    std::vector<int> bytes;
    int curve1_points;  // -1: the step takes no curve1
};

TEST(ShippedProgramDecoding, ReproducesEveryStepAndEndsAtTheLastCursors) {
    const ExpectedStep expected[] = {
        {0, 1, 14, 0.5, 0.49122807, {1, 1, 0, 0}, -1},
        {78, 1, 2, 0.0877193, 0.42105263, {0, 3, 2, 3}, 3},
        {80, 1, 5, 0.5, 1, {0, 5}, 5},
        {84, 1, 9, 34.264, 0.084, {}, -1},
        {0, 2, 14, 0.5, 0.5, {0, 1, 0, 0}, -1},
        {130, 3, 4, 0.5, 0.5649351, {48}, -1},
        {140, 4, 3, 0.6, 0.03, {48, 4}, 4},
        {21, 4, 10, 0.03, 1, {4}, -1},
        {0, 5, 14, 0.5, 0.5, {0, 1, 0, 0}, -1},
        {80, 5, 5, 0.5, 1, {0, 3}, 3},
        {139, 6, 3, 2.6, 0.03, {36, 5}, 5},
        {82, 6, 6, 19.709, 0.5, {3}, -1},
        {83, 6, 5, 0.24, 0.468, {}, -1},
        {89, 6, 0, 0, 0, {0, 3, 2}, 3},
        {81, 6, 3, 1, 2, {0, 4}, 4},
        {89, 6, 0, 0, 0, {0, 2, 2}, 2},
        {87, 4, 1, 1, 1, {0, 3}, 3},
    };
    const SynthProgram& p = shipped_program;
    ASSERT_EQ(p.step_count, 17);
    DecodeCursors cursors{0, 0, 0};
    const char* reason = nullptr;
    for (int step = 0; step < 17; step++) {
        const ExpectedStep& e = expected[step];
        SCOPED_TRACE(step);
        EXPECT_EQ(p.opcodes[step], e.opcode);
        EXPECT_EQ(p.slots[step], e.slot);
        int kind = e.opcode & 0x3F;
        EXPECT_EQ(float_param_counts[kind], e.float_count);
        EXPECT_EQ(byte_param_counts[kind], static_cast<int>(e.bytes.size()));
        ASSERT_TRUE(decode_step(p, step, cursors, &reason)) << reason;
        if (e.float_count > 0) {
            EXPECT_EQ(fparam[0], static_cast<double>(static_cast<float>(e.first_float)));
            EXPECT_EQ(fparam[e.float_count - 1], static_cast<double>(static_cast<float>(e.last_float)));
        }
        for (size_t k = 0; k < e.bytes.size(); k++) EXPECT_EQ(bparam[k], e.bytes[k]);
        if (e.curve1_points >= 0) {
            EXPECT_EQ(curve1.count, e.curve1_points);
        }
    }
    EXPECT_EQ(cursors.floats, 180);
    EXPECT_EQ(cursors.bytes, 37);
    EXPECT_EQ(cursors.ints, 0);
    EXPECT_EQ(p.float_pool_size, 181);
    EXPECT_EQ(p.float_pool[180], 0.0f);
}

TEST(ShippedProgramDecoding, CurvesOfTheResonatorComeInReverseOrder) {
    DecodeCursors cursors{0, 0, 0};
    const char* reason = nullptr;
    ASSERT_TRUE(decode_step(shipped_program, 0, cursors, &reason));
    ASSERT_TRUE(decode_step(shipped_program, 1, cursors, &reason));
    EXPECT_EQ(curve3.count, 3);
    EXPECT_EQ(curve3.xs[1], static_cast<double>(0.6142857f));
    EXPECT_EQ(curve3.ys[1], static_cast<double>(0.18571429f));
    EXPECT_EQ(curve2.count, 2);
    EXPECT_EQ(curve1.ys[1], static_cast<double>(0.82857144f));
    EXPECT_EQ(cursors.floats, 32);
}

class SynthDriver : public SynthSlots {};

TEST_F(SynthDriver, ShippedProgramFillsSixSlotsAndAdvancesDelayPosition) {
    delay_pos = 0;
    ASSERT_TRUE(synth_render_all());
    const int32_t lengths[] = {22050, 22050, 22050, 26460, 22050, 114659};
    for (int s = 1; s <= 6; s++) {
        EXPECT_EQ(synth_slot_length(s), lengths[s - 1]) << s;
        for (double v : slot(s)) ASSERT_TRUE(std::isfinite(v)) << s;
    }
    EXPECT_EQ(synth_slot_length(0), 0);
    EXPECT_EQ(delay_pos, 43734);
    for (double* line : delay_lines) EXPECT_EQ(line, nullptr);
}

TEST_F(SynthDriver, RenderingTwiceGivesTheSameSlotsWhateverTheDelayPosition) {
    ASSERT_TRUE(synth_render_all());
    std::vector<double> first = slot(6);
    ASSERT_TRUE(synth_render_all());
    EXPECT_EQ(slot(6), first);
}

TEST_F(SynthDriver, SlotClearEmptiesAndALaterStepRendersIntoIt) {
    ProgramBuilder b;
    b.step(5, 2, {0.125f, 0.5f, 0.5f, 1.0f}, {0});  // 5512.5 samples of noise, truncated
    b.step(31, 2);
    render(b);
    EXPECT_EQ(synth_slot_length(2), 0);
    EXPECT_EQ(synth_slot_samples(2), nullptr);
    b.step(5, 2, {0.25f, 0.5f, 0.5f, 1.0f}, {0});
    render(b);
    EXPECT_EQ(synth_slot_length(2), 11025);
}

TEST_F(SynthDriver, StepsWithoutParametersConsumeNothing) {
    ProgramBuilder b;
    b.step(31, 1).step(90, 1).step(92, 1).step(27, 1);
    b.step(5, 3, {0.125f, 0.5f, 0.5f, 1.0f}, {0});
    render(b);
    EXPECT_EQ(synth_slot_length(3), 5512);
}

TEST_F(SynthDriver, InPlaceEffectOnEmptySlotRendersNothing) {
    ProgramBuilder b;
    b.step(90, 4);
    render(b);
    EXPECT_EQ(synth_slot_length(4), 0);
}

TEST_F(SynthDriver, UnknownOpcodeRepeatsTheLastOutput) {
    ProgramBuilder b;
    b.step(5, 1, {0.001f, 0.5f, 0.5f, 1.0f}, {0});
    b.step(0x40 | 63, 1);  // kind 63: no parameters and no module; repeats `out`
    render(b);
    std::vector<double> noise = slot(1);
    ASSERT_EQ(noise.size(), 44u);
    // Slot 1 is replaced by the unknown step: every sample is the noise's last value.
    for (double v : noise) EXPECT_EQ(v, noise.back());
}

TEST_F(SynthDriver, NegativeDurationRendersAnEmptySlot) {
    ProgramBuilder b;
    b.step(5, 1, {-1.0f, 0.5f, 0.5f, 1.0f}, {0});
    render(b);
    EXPECT_EQ(synth_slot_length(1), 0);
}

TEST_F(SynthDriver, TruncatesDurationTowardZero) {
    ProgramBuilder b;
    b.step(5, 1, {2.6f, 0.5f, 0.5f, 1.0f}, {0});
    render(b);
    EXPECT_EQ(synth_slot_length(1), 114659);
}

TEST_F(SynthDriver, RefusesToRenderWithoutSlots) {
    synth_slots_free();
    const char* reason = nullptr;
    EXPECT_FALSE(synth_render_program(shipped_program, &reason));
    EXPECT_STREQ(reason, "sample slots not created");
}

// ---- Validation -------------------------------------------------------------------------------

static const char* refusal(const ProgramBuilder& b) {
    const char* reason = nullptr;
    if (synth_validate_program(b.program(), &reason)) return "(accepted)";
    return reason;
}

TEST(SynthValidation, ShippedProgramPasses) {
    const char* reason = nullptr;
    EXPECT_TRUE(synth_validate_program(shipped_program, &reason)) << reason;
}

TEST(SynthValidation, RefusesPoolsTooShortForTheCursors) {
    ProgramBuilder floats;
    floats.step(5, 1, {0.5f, 0.5f, 0.5f}, {0});
    EXPECT_STREQ(refusal(floats), "float pool too short for a step's parameters");
    ProgramBuilder bytes;
    bytes.step(0, 1, {0.5f, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}, {1, 1, 0});
    EXPECT_STREQ(refusal(bytes), "byte pool too short for a step's parameters");
    ProgramBuilder curve;
    curve.step(138, 1, {0.5f, 1, 0}, {57, 3}).curve({0, 0, 1, 1});
    EXPECT_STREQ(refusal(curve), "float pool too short for a step's curve points");
    ProgramBuilder crop;
    crop.step(29, 1).extra_ints({0});
    EXPECT_STREQ(refusal(crop), "int pool too short for the crop range");
    ProgramBuilder pattern;
    pattern.step(7, 1, {}, {1, 2, 1}).extra_bytes({48, 1, 0, 0, 0}).extra_ints({120});
    EXPECT_STREQ(refusal(pattern), "byte or int pool too short for the pattern sequencer");
}

TEST(SynthValidation, RefusesSlotsBeyondTheTable) {
    ProgramBuilder target;
    target.step(90, 7);
    EXPECT_STREQ(refusal(target), "target slot must be 1..6");
    ProgramBuilder work;
    work.step(90, 0);
    EXPECT_STREQ(refusal(work), "target slot must be 1..6");
    ProgramBuilder copy;
    copy.step(8, 1, {}, {9});
    EXPECT_STREQ(refusal(copy), "source slot must be 1..6");
    ProgramBuilder modulator;
    modulator.step(21, 1, {0, 0, 0, 0, 0, 0, 0, 0, 0, 1}, {200});
    EXPECT_STREQ(refusal(modulator), "source slot must be 1..6");
    ProgramBuilder mix;
    mix.step(9, 1, {1, 1, 1, 1, 1, 1, 1, 1}, {1, 2, 0, 0, 0, 0, 0, 7});
    EXPECT_STREQ(refusal(mix), "mixed slot beyond 6");
}

TEST(SynthValidation, RefusesSequencerBeyondItsLimits) {
    ProgramBuilder channels;
    channels.step(7, 1, {}, {17, 1, 1});
    channels.bytes.resize(channels.bytes.size() + 17 * 5, 0);
    channels.extra_ints({120});
    EXPECT_STREQ(refusal(channels), "pattern sequencer has more than 16 channels");
    ProgramBuilder big;
    big.step(7, 1, {}, {16, 101, 1});
    big.bytes.resize(big.bytes.size() + 16 * 101 * 5, 0);
    big.extra_ints({120});
    EXPECT_STREQ(refusal(big), "pattern sequencer pattern exceeds 8000 bytes");
    ProgramBuilder tempo;
    tempo.step(7, 1, {}, {1, 1, 1}).extra_bytes({48, 1, 0, 0, 0}).extra_ints({0});
    EXPECT_STREQ(refusal(tempo), "pattern sequencer tempo must be positive");
    ProgramBuilder cell;
    cell.step(7, 1, {}, {1, 1, 1}).extra_bytes({48, 0xF0, 0, 0, 0}).extra_ints({120});
    EXPECT_STREQ(refusal(cell), "pattern sequencer cell names a slot beyond 0..6");
    ProgramBuilder fine;
    fine.step(7, 1, {}, {1, 1, 1}).extra_bytes({48, 2, 0, 0, 0}).extra_ints({120});
    EXPECT_STREQ(refusal(fine), "(accepted)");
}

TEST(SynthValidation, RefusesChorusWithoutVoicesOrWithTooMany) {
    ProgramBuilder none;
    none.step(82, 1, {1, 1, 0, 1, 0, 0.5f}, {0});
    EXPECT_STREQ(refusal(none), "chorus needs at least one voice");
    ProgramBuilder many;
    many.step(82, 1, {1, 1, 0, 1, 0, 0.5f}, {15});
    EXPECT_STREQ(refusal(many), "chorus has more than 14 voices");
}

TEST(SynthValidation, RefusesLengthsOfTwoToThe29OrMore) {
    ProgramBuilder seconds;
    seconds.step(5, 1, {12200.0f, 0.5f, 0.5f, 1.0f}, {0});
    EXPECT_STREQ(refusal(seconds), "step length of 2^29 samples or more (or not a number)");
    ProgramBuilder nan;
    nan.step(130, 1, {NAN, 0.5f, 0.5f, 1.0f}, {0});
    EXPECT_STREQ(refusal(nan), "step length of 2^29 samples or more (or not a number)");
    ProgramBuilder crop;
    crop.step(29, 1).extra_ints({-2000000000, 2000000000});
    EXPECT_STREQ(refusal(crop), "step length of 2^29 samples or more (or not a number)");
    ProgramBuilder rows;
    rows.step(7, 1, {}, {1, 255, 255}).extra_ints({1});
    rows.bytes.resize(rows.bytes.size() + 255 * 5, 0);
    rows.ints = {1};
    EXPECT_STREQ(refusal(rows), "step length of 2^29 samples or more (or not a number)");
}

TEST(SynthValidation, RefusesGrainIntervalsThatOverflowTheCountdown) {
    ProgramBuilder b;
    b.step(22, 1, {0.1f, 1, 2, 1, 2, 0, 0, 0, 0, 1e9f, 2, 1, 1, 0, 1});
    EXPECT_STREQ(refusal(b), "grain spawn interval out of range");
}

TEST_F(SynthDriver, RefusedProgramLeavesSlotsUntouched) {
    ProgramBuilder good;
    good.step(5, 1, {0.01f, 0.5f, 0.5f, 1.0f}, {0});
    render(good);
    std::vector<double> before = slot(1);
    ProgramBuilder bad;
    bad.step(5, 1, {0.02f, 0.5f, 0.5f, 1.0f}, {0}).step(90, 9);
    const char* reason = nullptr;
    EXPECT_FALSE(synth_render_program(bad.program(), &reason));
    EXPECT_EQ(slot(1), before);
}

// ---- Hand-over to the module loader ------------------------------------------------------------

class SampleHandOver : public SynthSlots {
protected:
    void put(int s, std::vector<double> values) {
        std::free(slot_data[s]);
        slot_data[s] = static_cast<double*>(std::malloc(values.size() * sizeof(double)));
        for (size_t k = 0; k < values.size(); k++) slot_data[s][k] = values[k];
        slot_length[s] = static_cast<int32_t>(values.size());
    }
};

TEST_F(SampleHandOver, ClipsAndScalesToThirtyTwoSevenSixtyFive) {
    put(1, {1.5, -2.0, 0.5, -0.5, 0.0, NAN});
    std::vector<int16_t> dest(6, 0);
    synth_fill_sample(dest.data(), 12, 16, 0, 0);
    EXPECT_EQ(dest, (std::vector<int16_t>{32765, -32765, 16382, -16382, 0, 0}));
}

TEST_F(SampleHandOver, OddByteCountLeavesTheOddByte) {
    put(2, {0.5, 0.5, 0.5});
    std::vector<int16_t> dest(3, 7);
    synth_fill_sample(dest.data(), 5, 16, 1, 0);
    EXPECT_EQ(dest, (std::vector<int16_t>{16382, 16382, 7}));
}

TEST_F(SampleHandOver, ShortSlotLeavesTheRestAsTheLoaderGaveIt) {
    put(6, {1.0, 1.0});
    std::vector<int16_t> dest(3, 0);
    synth_fill_sample(dest.data(), 6, 16, 5, 0);
    EXPECT_EQ(dest, (std::vector<int16_t>{32765, 32765, 0}));
}

TEST_F(SampleHandOver, InstrumentOutsideTheSixWritesNothing) {
    put(1, {1.0});
    std::vector<int16_t> dest(1, 5);
    synth_fill_sample(dest.data(), 2, 16, 6, 0);
    synth_fill_sample(dest.data(), 2, 16, -1, 0);
    EXPECT_EQ(dest[0], 5);
}

TEST_F(SampleHandOver, ShippedInstrumentFiveKeepsItsLastFrame) {
    ASSERT_TRUE(synth_render_all());
    std::vector<int16_t> dest(114660, 0);
    dest.back() = 1234;
    synth_fill_sample(dest.data(), 229320, 16, 5, 5);
    EXPECT_EQ(dest.back(), 1234);
    std::vector<int16_t> drum(22050, 0);
    synth_fill_sample(drum.data(), 44100, 16, 0, 0);
    int nonzero = 0;
    for (int16_t v : drum) nonzero += v != 0;
    EXPECT_GT(nonzero, 10000);
}
