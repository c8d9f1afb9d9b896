// Envelopes, Lxx positioning, vibrato, tremolo, autovibrato and the Amiga period table.
#include <gtest/gtest.h>

#include <vector>

#include "player/engine.h"

namespace {

// A channel as channel_reset leaves it, with an instrument whose volume envelope is given.
struct EnvelopeFixture {
    ChannelState channel = {};
    Instrument instrument = {};

    EnvelopeFixture(std::vector<EnvelopePoint> points, uint8_t type) {
        for (size_t i = 0; i < points.size(); ++i) instrument.vol_env[i] = points[i];
        instrument.vol_point_count = static_cast<uint8_t>(points.size());
        instrument.vol_type = type;
        channel.venv_out = 64;
    }

    int32_t step() {
        channel.flags = 0;
        envelope_step(&channel, volume_envelope(&instrument), volume_envelope_state(&channel),
                      UPDATE_VOLUME);
        return channel.venv_out;
    }
};

TEST(Envelope, FallingSegmentStepsInSixteenSixteenAndStopsAtTheLastPoint) {
    EnvelopeFixture env({{0, 64}, {10, 0}}, 1);
    EXPECT_EQ(env.step(), 64);
    EXPECT_EQ(env.channel.venv_slope, -419430);
    EXPECT_EQ(env.channel.flags, UPDATE_VOLUME);
    EXPECT_EQ(env.step(), 57);
    EXPECT_EQ(env.channel.venv_value, 3774874);
    for (int tick = 2; tick < 10; ++tick) {
        env.step();
        EXPECT_EQ(env.channel.venv_done, 0) << "tick " << tick;
    }
    EXPECT_EQ(env.step(), 0);
    EXPECT_EQ(env.channel.venv_done, 1);
    EXPECT_EQ(env.channel.venv_tick, 10);
}

TEST(Envelope, SustainHoldsUntilReleaseThenContinuesNextTick) {
    EnvelopeFixture env({{0, 64}, {4, 32}, {8, 0}}, 1 | 2);
    env.instrument.vol_sustain = 1;
    for (int tick = 0; tick < 4; ++tick) env.step();
    for (int held = 0; held < 20; ++held) {
        EXPECT_EQ(env.step(), 32);
        EXPECT_EQ(env.channel.flags, UPDATE_VOLUME);
    }
    EXPECT_EQ(env.channel.venv_tick, 4);
    env.channel.key_off = 1;
    EXPECT_EQ(env.step(), 32);
    EXPECT_EQ(env.step(), 24);
    EXPECT_EQ(env.step(), 16);
}

TEST(Envelope, LoopWithoutSustainRepeatsForever) {
    EnvelopeFixture env({{0, 0}, {4, 64}, {8, 32}}, 1 | 4);
    env.instrument.vol_loop_start = 1;
    env.instrument.vol_loop_end = 2;
    std::vector<int32_t> outputs;
    for (int tick = 0; tick < 200; ++tick) outputs.push_back(env.step());
    EXPECT_EQ(env.channel.venv_done, 0);
    EXPECT_EQ(outputs[4], 64);
    EXPECT_EQ(outputs[6], 48);
    // The loop segment (64 down to 32 over 4 ticks) repeats with a period of 4 ticks.
    for (int tick = 8; tick < 200; ++tick) EXPECT_EQ(outputs[tick], outputs[tick - 4]) << tick;
}

TEST(Envelope, LoopEndingAtTheLastPointRepeatsInsteadOfFinishing) {
    EnvelopeFixture env({{0, 64}, {2, 0}}, 1 | 4);
    env.instrument.vol_loop_start = 0;
    env.instrument.vol_loop_end = 1;
    for (int tick = 0; tick < 20; ++tick) env.step();
    EXPECT_EQ(env.channel.venv_done, 0);
}

TEST(Envelope, TicksThatDoNotRiseStillReachTheEndWithinRange) {
    EnvelopeFixture env({{0, 64}, {10, 0}, {5, 32}}, 1);
    for (int tick = 0; tick < 100 && !env.channel.venv_done; ++tick) {
        int32_t out = env.step();
        EXPECT_GE(out, 0);
        EXPECT_LE(out, 64);
    }
    EXPECT_EQ(env.channel.venv_done, 1);
    EXPECT_EQ(env.channel.venv_out, 32);
}

TEST(Envelope, ValuesAboveTheRangeAndOversizedCountsStayBounded) {
    EnvelopeFixture env({{0, 65535}, {3, 65535}}, 1);
    env.instrument.vol_point_count = 200;
    for (int tick = 0; tick < 50; ++tick) {
        int32_t out = env.step();
        EXPECT_GE(out, 0);
        EXPECT_LE(out, 64);
    }
}

TEST(EnvelopeJump, LandsInsideASegment) {
    EnvelopeFixture env({{0, 64}, {10, 0}, {20, 64}}, 1);
    envelope_jump(&env.channel, &env.instrument, 5);
    EXPECT_EQ(env.channel.venv_index, 1);
    EXPECT_EQ(env.channel.venv_tick, 5);
    EXPECT_EQ(env.channel.venv_slope, -419430);
    EXPECT_EQ(env.channel.venv_value, 64 * 65536 - 5 * 419430);
    EXPECT_EQ(env.channel.venv_out, 32);
    EXPECT_EQ(env.channel.venv_done, 0);
    EXPECT_EQ(env.step(), 25);
}

TEST(EnvelopeJump, BeyondTheLastPointFinishesAtItsValue) {
    EnvelopeFixture env({{0, 64}, {10, 0}, {20, 48}}, 1);
    envelope_jump(&env.channel, &env.instrument, 200);
    EXPECT_EQ(env.channel.venv_out, 48);
    EXPECT_EQ(env.channel.venv_done, 1);
}

TEST(EnvelopeJump, BeforeALateFirstPointStaysWithinRange) {
    EnvelopeFixture env({{60000, 0}, {60001, 64}}, 1);
    envelope_jump(&env.channel, &env.instrument, 0);
    for (int tick = 0; tick < 100; ++tick) {
        EXPECT_GE(env.channel.venv_out, 0);
        EXPECT_LE(env.channel.venv_out, 64);
        env.step();
    }
}

// Extrapolating the first segment backwards would start below 0 and, tick by tick, rise past 64.
TEST(EnvelopeJump, BeforeTheFirstPointHoldsItUntilTheEnvelopeReachesIt) {
    EnvelopeFixture env({{10, 0}, {20, 64}}, 1);
    envelope_jump(&env.channel, &env.instrument, 0);
    EXPECT_EQ(env.channel.venv_out, 0);
    std::vector<int32_t> outputs;
    for (int tick = 0; tick < 21; ++tick) outputs.push_back(env.step());
    std::vector<int32_t> expected(11, 0);
    expected.insert(expected.end(), {6, 12, 19, 25, 31, 38, 44, 51, 57, 64});
    EXPECT_EQ(outputs, expected);
    EXPECT_EQ(env.channel.venv_done, 1);
}

TEST(Vibrato, SineDepthsGiveTheWorkedDeltas) {
    ChannelState channel = {};
    channel.vib_pos = 8;
    channel.vib_depth = 6;
    vibrato_apply(&channel);
    EXPECT_EQ(channel.period_delta, -32);
    EXPECT_EQ(channel.flags, UPDATE_FREQUENCY);
    channel.vib_pos = 16;
    channel.vib_depth = 15;
    vibrato_apply(&channel);
    EXPECT_EQ(channel.period_delta, -116);
    channel.vib_pos = -16;
    vibrato_apply(&channel);
    EXPECT_EQ(channel.period_delta, 116);
}

TEST(Vibrato, RampAndSquareWaveforms) {
    ChannelState channel = {};
    channel.vib_depth = 15;
    channel.waveform = 1;
    channel.vib_pos = -16;  // 255 - (-128 mod 256) = 127
    vibrato_apply(&channel);
    EXPECT_EQ(channel.period_delta, 56);
    channel.vib_pos = 31;  // 248
    vibrato_apply(&channel);
    EXPECT_EQ(channel.period_delta, -116);
    channel.waveform = 2;
    channel.vib_pos = 0;
    vibrato_apply(&channel);
    EXPECT_EQ(channel.period_delta, -116);
}

TEST(Vibrato, PositionAdvancesAndWrapsByOnePeriod) {
    ChannelState channel = {};
    channel.vib_pos = 28;
    channel.vib_speed = 7;
    vibrato_advance(&channel);
    EXPECT_EQ(channel.vib_pos, -29);
    vibrato_advance(&channel);
    EXPECT_EQ(channel.vib_pos, -22);
}

TEST(Tremolo, RisingHalfStopsAtFullVolume) {
    ChannelState channel = {};
    channel.volume = 60;
    channel.trem_pos = 11;  // sine 225: 3 x 225 >> 6 = 10
    channel.trem_depth = 3;
    channel.trem_speed = 4;
    tremolo_apply(&channel);
    EXPECT_EQ(channel.volume_delta, 4);
    EXPECT_EQ(channel.trem_pos, 15);
    EXPECT_EQ(channel.flags, UPDATE_VOLUME);
}

TEST(Tremolo, FallingHalfStopsAtSilenceAndPositionWraps) {
    ChannelState channel = {};
    channel.volume = 5;
    channel.trem_pos = -11;
    channel.trem_depth = 3;
    channel.trem_speed = 15;
    tremolo_apply(&channel);
    EXPECT_EQ(channel.volume_delta, -5);
    EXPECT_EQ(channel.trem_pos, 4);
    channel.volume = 40;
    channel.waveform = 0x10;  // ramp: 255 - 8 x (-16 & 31) = 127 -> 15 x 127 >> 6 = 29
    channel.trem_pos = -16;
    channel.trem_depth = 15;
    tremolo_apply(&channel);
    EXPECT_EQ(channel.volume_delta, -29);
}

TEST(Autovibrato, SweepRampsTheDepthFromNothing) {
    ChannelState channel = {};
    Instrument instrument = {};
    instrument.vibrato_type = 1;
    instrument.vibrato_depth = 64;
    instrument.vibrato_sweep = 4;
    std::vector<int32_t> deltas;
    for (int tick = 0; tick < 6; ++tick) {
        channel.period_delta = 0;
        autovibrato_apply(&channel, &instrument);
        deltas.push_back(channel.period_delta);
    }
    EXPECT_EQ(deltas, (std::vector<int32_t>{0, 16, 32, 48, 64, 64}));
    EXPECT_EQ(channel.flags, UPDATE_FREQUENCY);
}

TEST(Autovibrato, NoSweepAppliesFullDepthAtOnceAndAddsToTheDelta) {
    ChannelState channel = {};
    Instrument instrument = {};
    instrument.vibrato_depth = 64;
    instrument.vibrato_rate = 64;
    channel.period_delta = 100;
    autovibrato_apply(&channel, &instrument);  // sine at 0
    EXPECT_EQ(channel.period_delta, 100);
    EXPECT_EQ(channel.avib_pos, 64);
    channel.period_delta = 0;
    autovibrato_apply(&channel, &instrument);  // sine at 64: 63
    EXPECT_EQ(channel.period_delta, 63);
    channel.avib_pos = 240;
    autovibrato_apply(&channel, &instrument);
    EXPECT_EQ(channel.avib_pos, 48);
}

TEST(Autovibrato, RampWaveformsAndUnknownTypes) {
    ChannelState channel = {};
    Instrument instrument = {};
    instrument.vibrato_depth = 64;
    channel.avib_pos = 64;
    instrument.vibrato_type = 2;
    autovibrato_apply(&channel, &instrument);
    EXPECT_EQ(channel.period_delta, -32);
    channel.period_delta = 0;
    channel.avib_pos = 64;
    instrument.vibrato_type = 3;
    autovibrato_apply(&channel, &instrument);
    EXPECT_EQ(channel.period_delta, 32);
    channel.period_delta = 0;
    instrument.vibrato_type = 7;
    autovibrato_apply(&channel, &instrument);
    EXPECT_EQ(channel.period_delta, 0);
}

TEST(AmigaPeriod, TableNotesAndFinetunes) {
    EXPECT_EQ(amiga_period(0, 0), 27392);
    EXPECT_EQ(amiga_period(48, 0), 1712);
    EXPECT_EQ(amiga_period(48, 64), 1664);
    EXPECT_EQ(amiga_period(48, -64), 1762);
    EXPECT_EQ(amiga_period(0, -128), 28930);
    EXPECT_LT(amiga_period(60, 0), amiga_period(59, 0));
}

}  // namespace
