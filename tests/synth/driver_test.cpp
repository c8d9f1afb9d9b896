// The driver: the length rules, the work-slot discipline, the hand-over to 16-bit samples and the
// refusal of programs that could corrupt memory. Decoding the shipped program with its running
// cursors is pinned by the determinism hashes.
#include "synth_test_support.h"
#include "tests/support/calloc_failure/calloc_failure.h"

using SynthDriver = SynthSlots;

TEST_F(SynthDriver, LengthRulesAndParameterlessSteps) {
    ProgramBuilder b;
    b.step(OP_NOISE_SOURCE, 2, {0.125f, 0.5f, 0.5f, 1.0f}, {0}).step(OP_SLOT_CLEAR, 2);  // rendered, then cleared
    b.step(OP_SLOT_CLEAR, 1).step(OP_POLARITY_INVERT, 1).step(OP_NORMALISE, 1).step(OP_SLOT_REVERSE, 1);          // consume no parameters
    b.step(OP_NOISE_SOURCE, 3, {0.125f, 0.5f, 0.5f, 1.0f}, {0});              // 5512.5 samples, truncated
    b.step(OP_NOISE_SOURCE, 4, {-1.0f, 0.5f, 0.5f, 1.0f}, {0});               // negative duration: empty
    b.step(OP_POLARITY_INVERT, 5);                                               // in place on an empty slot
    b.step(OP_NOISE_SOURCE, 6, {2.6f, 0.5f, 0.5f, 1.0f}, {0});                // 114659.996, truncated
    render(b);
    EXPECT_EQ(synth_slot_samples(2), nullptr);
    const int32_t lengths[] = {0, 0, 0, 5512, 0, 0, 114659};
    for (int s = 0; s <= 6; s++) EXPECT_EQ(synth_slot_length(s), lengths[s]) << s;
    render(b.step(OP_NOISE_SOURCE, 2, {0.25f, 0.5f, 0.5f, 1.0f}, {0}));  // a cleared slot takes a later step
    EXPECT_EQ(synth_slot_length(2), 11025);
}

TEST_F(SynthDriver, UnknownOpcodeRepeatsTheLastOutputAndRefusalsLeaveTheSlotsUntouched) {
    // Kind 63: no parameters and no module; repeats `out`.
    render(ProgramBuilder().step(OP_NOISE_SOURCE, 1, {0.001f, 0.5f, 0.5f, 1.0f}, {0}).step(0x40 | 63, 1));
    const std::vector<double> before = slot(1);
    EXPECT_EQ(before, std::vector<double>(44, before.back()));
    EXPECT_NE(before.back(), 0.0);
    const ProgramBuilder refused = ProgramBuilder().step(OP_NOISE_SOURCE, 1, {0.02f, 0.5f, 0.5f, 1.0f}, {0}).step(OP_POLARITY_INVERT, 9);
    EXPECT_FALSE(synth_render_program(refused.program()));
    EXPECT_EQ(slot(1), before);
    synth_slots_free();
    EXPECT_FALSE(synth_render_program(shipped_program));
    EXPECT_STREQ(synth_error(), "sample slots not created");
}

// A pattern-sequencer step of `channels` x `rows` empty cells at `ticks` ticks per row.
static ProgramBuilder sequencer(int channels, int rows, int ticks, int32_t tempo) {
    const std::vector<int> cells(size_t(channels * rows * 5));
    return ProgramBuilder().step(OP_PATTERN_SEQUENCER, 1, {}, {channels, rows, ticks}).extra(cells, {tempo});
}

TEST(SynthValidation, AcceptsTheShippedProgramAndRefusesWhatCouldCorruptMemory) {
    const std::string too_long = "step length of 2^29 samples or more (or not a number)";
    struct Case { ProgramBuilder program; std::string refusal; };
    const Case cases[] = {
        {ProgramBuilder().step(OP_NOISE_SOURCE, 1, {0.5f, 0.5f, 0.5f}, {0}), "float pool too short for a step's parameters"},
        {ProgramBuilder().step(OP_PERCUSSION_VOICE, 1, std::vector<float>(14, 1), {1, 1, 0}), "byte pool too short for a step's parameters"},
        {ProgramBuilder().step(OP_CURVE_OSCILLATOR, 1, {0.5f, 1, 0}, {57, 3}).curve({0, 0, 1, 1}), "float pool too short for a step's curve points"},
        {ProgramBuilder().step(OP_SLOT_CROP, 1).extra({}, {0}), "int pool too short for the crop range"},
        {ProgramBuilder().step(OP_PATTERN_SEQUENCER, 1, {}, {1, 2, 1}).extra({48, 1, 0, 0, 0}, {120}),
         "byte or int pool too short for the pattern sequencer"},
        {ProgramBuilder().step(OP_POLARITY_INVERT, 7), "target slot must be 1..6"},
        {ProgramBuilder().step(OP_POLARITY_INVERT, 0), "target slot must be 1..6"},
        {ProgramBuilder().step(OP_SLOT_COPY, 1, {}, {9}), "source slot must be 1..6"},
        {ProgramBuilder().step(OP_CROSS_MODULATOR, 1, {0, 0, 0, 0, 0, 0, 0, 0, 0, 1}, {200}), "source slot must be 1..6"},
        {ProgramBuilder().step(OP_SLOT_MIX, 1, {1, 1, 1, 1, 1, 1, 1, 1}, {1, 2, 0, 0, 0, 0, 0, 7}), "mixed slot beyond 6"},
        {sequencer(17, 1, 1, 120), "pattern sequencer has more than 16 channels"},
        {sequencer(16, 101, 1, 120), "pattern sequencer pattern exceeds 8000 bytes"},
        {sequencer(1, 1, 1, 0), "pattern sequencer tempo must be positive"},
        {ProgramBuilder().step(OP_PATTERN_SEQUENCER, 1, {}, {1, 1, 1}).extra({48, 0xF0, 0, 0, 0}, {120}),
         "pattern sequencer cell names a slot beyond 0..6"},
        {ProgramBuilder().step(OP_CHORUS, 1, {1, 1, 0, 1, 0, 0.5f}, {0}), "chorus needs at least one voice"},
        {ProgramBuilder().step(OP_CHORUS, 1, {1, 1, 0, 1, 0, 0.5f}, {15}), "chorus has more than 14 voices"},
        {ProgramBuilder().step(OP_NOISE_SOURCE, 1, {12200.0f, 0.5f, 0.5f, 1.0f}, {0}), too_long},
        {ProgramBuilder().step(OP_PD_OSCILLATOR_2, 1, {NAN, 0.5f, 0.5f, 1.0f}, {0}), too_long},
        {ProgramBuilder().step(OP_SLOT_CROP, 1).extra({}, {-2000000000, 2000000000}), too_long},
        {sequencer(1, 255, 255, 1), too_long},
        {ProgramBuilder().step(OP_GRAIN_CLOUD, 1, {0.1f, 1, 2, 1, 2, 0, 0, 0, 0, 1e9f, 2, 1, 1, 0, 1}), "grain spawn interval out of range"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(synth_validate_program(c.program.program()) ? "(accepted)" : std::string(synth_error()), c.refusal);
    }
}

// ---- Hand-over to the module loader ------------------------------------------------------------

using SampleHandOver = SynthSlots;

TEST_F(SampleHandOver, ClipsScalesToThirtyTwoSevenSixtyFiveAndWritesOnlyWhatTheSlotHolds) {
    load_slot(1, {1.5, -2.0, 0.5, -0.5, 0.0, NAN}, 0);  // exact allocations: ASan sees over-reads
    load_slot(2, {0.5, 0.5, 0.5}, 0);
    load_slot(6, {1.0, 1.0}, 0);
    struct Case { int instrument, byte_length; std::vector<int16_t> before, after; };
    const Case cases[] = {
        {0, 12, std::vector<int16_t>(6, 0), {32765, -32765, 16382, -16382, 0, 0}},
        {1, 5, {7, 7, 7}, {16382, 16382, 7}},  // an odd byte count leaves the odd byte
        {5, 6, {5, 5, 5}, {32765, 32765, 5}},  // a short slot leaves the rest as the loader gave it
        {6, 2, {5}, {5}},                      // instruments outside the six write nothing
        {-1, 2, {5}, {5}},
    };
    for (const Case& c : cases) {
        std::vector<int16_t> dest = c.before;
        synth_fill_sample(dest.data(), c.byte_length, 16, c.instrument, 0);
        EXPECT_EQ(dest, c.after) << "instrument " << c.instrument;
    }
}

// Memory running out at each allocation of slot creation and of a render ends it with a reason;
// nothing leaks (LeakSanitizer), and a later render with memory to spare succeeds.
TEST(SynthMemory, EachAllocationOfSlotsAndOfARenderFailingEndsIt) {
    EXPECT_EQ(each_allocation_failing([] {
                  const bool made = synth_slots_create();
                  EXPECT_EQ(made, !calloc_failed());
                  synth_slots_free();
              }),
              2);
    ASSERT_TRUE(synth_slots_create());
    ProgramBuilder b;
    b.step(5, 1, {0.01f, 0.5f, 0.5f, 1.0f}, {0}).step(5, 2, {0.02f, 0.5f, 0.5f, 1.0f}, {0});
    b.step(5, 3, {0.03f, 0.5f, 0.5f, 1.0f}, {0});
    const SynthProgram program = b.program();
    std::vector<std::string> reasons;
    int64_t failures = each_allocation_failing([&] {
        const bool rendered = synth_render_program(program);
        EXPECT_EQ(rendered, !calloc_failed());
        if (!rendered) reasons.push_back(synth_error());
    });
    EXPECT_GE(failures, 4);  // the delay lines and the three slots
    ASSERT_EQ(int64_t(reasons.size()), failures);
    EXPECT_EQ(reasons.front(), "out of memory for the delay lines");
    EXPECT_EQ(reasons.back(), "out of memory for a slot");
    EXPECT_GT(synth_slot_length(3), 1000);  // the run without a failure rendered every step
    synth_slots_free();
}
