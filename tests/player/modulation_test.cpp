// Envelopes, Lxx positioning, vibrato, tremolo, autovibrato and the Amiga period table.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <vector>

#include "player/engine.h"

namespace {

using Outputs = std::vector<int32_t>;

// A channel as channel_reset leaves it, with an instrument whose volume envelope is given.
struct EnvelopeFixture {
    ChannelState channel = {};
    Instrument instrument = {};

    EnvelopeFixture(std::vector<EnvelopePoint> points, uint8_t type, uint8_t loop_start = 0, uint8_t loop_end = 0) {
        std::copy(points.begin(), points.end(), instrument.vol_env);
        instrument.vol_point_count = uint8_t(points.size());
        instrument.vol_type = type;
        instrument.vol_loop_start = loop_start;
        instrument.vol_loop_end = loop_end;
    }

    // Appends the outputs of the next ticks.
    void steps(int count, Outputs& outputs) {
        for (; count > 0; --count) {
            envelope_step(&channel, volume_envelope(&instrument), volume_envelope_state(&channel), UPDATE_VOLUME);
            outputs.push_back(channel.venv_out);
        }
    }
};

// The output after Lxx to tick `jump` (none when -1), then at each tick, and whether the envelope
// has finished after them. Plain segments and loops are pinned by the real songs' hashes.
TEST(Envelope, OutputsTickByTickAfterAnyJump) {
    const struct { const char* what; std::vector<EnvelopePoint> points; uint8_t type, loop_start, loop_end;
                   int jump; Outputs expected; uint8_t done; } cases[] = {
        {"a loop ending at the last point repeats", {{0, 64}, {2, 0}}, ENVELOPE_ON | ENVELOPE_LOOP, 0, 1, -1, {64, 32, 64, 32, 64, 32}, 0},
        {"L05 inside a segment", {{0, 64}, {10, 0}, {20, 48}}, ENVELOPE_ON, 0, 0, 5, {32, 25, 19, 12, 6, 0, 0, 4, 9}, 0},
        {"L beyond the last point finishes", {{0, 64}, {10, 0}, {20, 48}}, ENVELOPE_ON, 0, 0, 200, {48}, 1},
        // Extrapolating the first segment backwards would start below 0 and rise past 64.
        {"L before the first point holds it until the envelope reaches it", {{10, 0}, {20, 64}}, ENVELOPE_ON, 0, 0, 0,
         {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 6, 12, 19, 25, 31, 38, 44, 51, 57, 64}, 1},
    };
    for (const auto& c : cases) {
        EnvelopeFixture env(c.points, c.type, c.loop_start, c.loop_end);
        Outputs seen;
        if (c.jump >= 0) {
            envelope_jump(&env.channel, &env.instrument, c.jump);
            seen.push_back(env.channel.venv_out);
        }
        env.steps(int(c.expected.size() - seen.size()), seen);
        EXPECT_EQ(seen, c.expected) << c.what;
        EXPECT_EQ(env.channel.venv_done, c.done) << c.what;
    }
}

// Points out of order, too many points and huge values stay within 0..64.
TEST(Envelope, MalformedPointsStayWithinRange) {
    EnvelopeFixture backwards({{0, 64}, {10, 0}, {5, 32}}, ENVELOPE_ON), oversized({{0, 65535}, {3, 65535}}, ENVELOPE_ON);
    oversized.instrument.vol_point_count = 200;
    Outputs outputs;
    backwards.steps(100, outputs);
    oversized.steps(100, outputs);
    for (int32_t out : outputs) ASSERT_TRUE(out >= 0 && out <= 64) << out;
}

// The position's wrap is pinned by the engine table (620 goes on with the vibrato).
TEST(Vibrato, WaveformsGiveTheWorkedDeltas) {
    const struct { uint8_t waveform; int8_t pos; uint8_t depth; int32_t delta; } cases[] = {
        {0, 8, 6, -32}, {0, 16, 15, -116}, {0, -16, 15, 116}, {1, -16, 15, 56}, {2, 0, 15, -116},
    };
    for (const auto& c : cases) {
        ChannelState channel = {};
        channel.waveform = c.waveform, channel.vib_pos = c.pos, channel.vib_depth = c.depth;
        vibrato_apply(&channel);
        EXPECT_EQ((std::array{channel.period_delta, int32_t(channel.flags)}), (std::array{c.delta, int32_t(UPDATE_FREQUENCY)}))
            << int(c.waveform) << " at " << int(c.pos);
    }
}

TEST(Tremolo, StopsAtFullVolumeAndSilenceAndThePositionWraps) {
    const struct { uint8_t waveform, depth, speed; int32_t volume, pos, next, delta; } cases[] = {
        {0, 3, 4, 60, 11, 15, 4},          // sine 225: 3 x 225 >> 6 = 10, up to 64
        {0, 3, 15, 5, -11, 4, -5},         // down to 0; -11 + 15 wraps
        {0x10, 15, 0, 40, -16, -16, -29},  // ramp 255 - 8 x (-16 & 31) = 127: 15 x 127 >> 6
    };
    for (const auto& c : cases) {
        ChannelState channel = {};
        channel.waveform = c.waveform, channel.volume = c.volume, channel.trem_pos = int8_t(c.pos);
        channel.trem_depth = c.depth, channel.trem_speed = c.speed;
        tremolo_apply(&channel);
        EXPECT_EQ((std::array<int, 3>{channel.volume_delta, channel.trem_pos, channel.flags}),
                  (std::array<int, 3>{c.delta, c.next, UPDATE_VOLUME}));
    }
}

TEST(Autovibrato, WaveformsAddToTheDeltaAndTheSweepRampsTheDepth) {
    const struct { uint8_t type, sweep; int32_t pos, swept, delta; } cases[] = {
        {0, 0, 64, 0, 63}, {1, 0, 200, 0, -64}, {2, 0, 64, 0, -32}, {3, 0, 64, 0, 32},
        {7, 0, 64, 0, 0}, {1, 4, 0, 0, 0}, {1, 4, 0, 3, 48}, {1, 4, 0, 4, 64},  // no type 7; sweep 4
    };
    for (const auto& c : cases) {
        ChannelState channel = {};
        Instrument instrument = {};
        instrument.vibrato_type = c.type, instrument.vibrato_sweep = c.sweep;
        instrument.vibrato_depth = instrument.vibrato_rate = 64;
        channel.avib_pos = c.pos, channel.avib_sweep = c.swept, channel.period_delta = 100;
        autovibrato_apply(&channel, &instrument);
        const int32_t swept = std::min(c.swept + 1, int32_t(c.sweep));  // capped at the sweep
        EXPECT_EQ((std::array{channel.period_delta, channel.avib_pos, channel.avib_sweep, int32_t(channel.flags)}),
                  (std::array{100 + c.delta, (c.pos + 64) % 256, swept, int32_t(UPDATE_FREQUENCY)}))
            << "type " << int(c.type) << " after " << c.swept;
    }
}

TEST(AmigaPeriod, TableNotesAndFinetunes) {
    EXPECT_EQ((std::array{amiga_period(0, 0), amiga_period(48, 0), amiga_period(48, 64),
                          amiga_period(48, -64), amiga_period(0, -128)}),
              (std::array{27392, 1712, 1664, 1762, 28930}));
}

}  // namespace
