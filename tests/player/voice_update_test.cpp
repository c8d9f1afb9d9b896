// The voice update (volume, panning, frequency, trigger hand-over, restart) and set_bpm.
#include <gtest/gtest.h>

#include <array>
#include <cstring>

#include "player/engine.h"

namespace {

class VoiceUpdate : public ::testing::Test {
protected:
    Song song = {};
    ChannelState channel = {};
    SampleHeader sample = {};
    Voice& voice = voices[3];

    // Channel 3 at full volume, centred, on an unlooped sample of 1000 frames.
    void SetUp() override {
        std::memset(voices, 0, sizeof voices);
        for (int k = 0; k < VOICE_COUNT; ++k) voices[k].index = k;
        song.song_flags = SONG_LINEAR_FREQUENCIES;
        song.global_volume = channel.volume = channel.venv_out = 64;
        channel.voice = &voice, channel.penv_out = 32, channel.fadeout_volume = 65536, channel.panning = 128;
        sample.length = sample.loop_length = 1000, sample.loop_type = LOOP_NONE;
    }

    void update(uint8_t flags) {
        channel.flags = flags;
        voice_update(&channel, &sample, &song);
    }
};

TEST_F(VoiceUpdate, VolumeAndPanningGiveTheTwoLevels) {
    const struct { int32_t delta, fadeout, global, panning, envelope, volume, pan, left, right; } cases[] = {
        {0, 65536, 64, 128, 32, 127, 128, 63, 63},  {0, 65536, 32, 128, 32, 63, 128, 31, 31},
        {-32, 65536, 64, 128, 32, 63, 128, 31, 31}, {0, 0, 64, 128, 32, 0, 128, 0, 0},
        {0, 65536, 64, 0, 64, 127, 0, 0, 127},      // envelope reach (128 - 128) / 32 = 0
        {0, 65536, 64, 128, 0, 127, 0, 0, 127},     // 128 + 4 x (0 - 32)
        {0, 65536, 64, 200, 64, 127, 232, 115, 11}, // reach (128 - 72) / 32 = 1
        {0, 65536, 64, 300, 32, 127, 255, 127, 0},  // an unclamped volume-column slide
    };
    for (const auto& c : cases) {
        channel.volume_delta = c.delta, channel.fadeout_volume = c.fadeout, song.global_volume = c.global;
        channel.panning = c.panning, channel.penv_out = c.envelope;
        update(UPDATE_VOLUME | UPDATE_PANNING);
        EXPECT_EQ((std::array{voice.volume, voice.volume_copy, voice.panning, voice.panning_copy, voice.level_left, voice.level_right}),
                  (std::array{c.volume, c.volume, c.pan, c.pan, c.left, c.right}))
            << c.delta << " " << c.fadeout << " " << c.global << " " << c.panning << " " << c.envelope;
    }
    voice.panning = 255, channel.panning = 0;  // the volume's levels use the voice's panning, not the channel's
    update(UPDATE_VOLUME);
    EXPECT_EQ(voice.level_left - voice.level_right, 127);
}

TEST_F(VoiceUpdate, PeriodsGiveFrequencyAndStep) {
    const uint32_t floor = uint32_t((uint64_t{100} << 32) / 44100);
    const struct { const char* what; uint16_t flags; int32_t period, delta, frequency, step; uint32_t frac; } cases[] = {
        {"linear C-4", 1, 4608, 0, 8363, 0, 814485521u},
        {"linear: a positive delta raises", 1, 4608, 768, 16726, 0, 1628971042u},
        {"Amiga C-4", 0, 1712, 0, 8362, 0, 814388129u},
        {"Amiga: a positive delta lowers", 0, 1712, 1712, 4181, 0, 407194064u},
        {"below 100 Hz steps at 100 Hz", 0, 200000, 0, 71, 0, floor},
        {"a negative frequency steps at 100 Hz", 0, -5, 0, -2863411, 0, floor},
        {"linear, far up: the step stays below 128", 1, -(1 << 24), 0, INT32_MAX, 127, 4294869904u},
        {"period + delta 0: left alone", 0, 100, -100, 1234, 1, 0},
    };
    for (const auto& c : cases) {
        voice.frequency = 1234, voice.step = 1, voice.step_frac = 0;
        song.song_flags = c.flags, channel.period = c.period, channel.period_delta = c.delta;
        update(UPDATE_FREQUENCY);
        EXPECT_EQ((std::array<int64_t, 3>{voice.frequency, voice.step, voice.step_frac}),
                  (std::array<int64_t, 3>{c.frequency, c.step, c.frac})) << c.what;
    }
}

TEST_F(VoiceUpdate, TriggerStartsInPlaceThenHandsThePlayingNoteToTheTwin) {
    // A start on a silent voice stays on it (the engine table's 9xx and E92 rows pin where it starts).
    voice.sample = &sample, voice.pos = 500, voice.cur_left = 63 * 256;
    voice.volume = voice.level_left = voice.level_right = 63;
    voice.start_offset = 1000;  // at the loop end: the note starts at 0
    update(UPDATE_TRIGGER | UPDATE_VOLUME);
    Voice& twin = voices[35];
    EXPECT_EQ(channel.voice, &twin);
    EXPECT_EQ((std::array{twin.index, twin.pos, twin.cur_left, twin.volume}), (std::array{35, 0, 0, 127}));  // fading in
    // The old voice keeps its sample, position and current level and fades to silence.
    EXPECT_EQ(voice.sample, &sample);
    EXPECT_EQ((std::array{voice.index, voice.pos, voice.cur_left, voice.volume, voice.level_left, voice.level_right}),
              (std::array{3, 500, 63 * 256, 0, 0, 0}));
    channel.voice = nullptr;  // skipped, not followed
    update(UPDATE_TRIGGER | UPDATE_VOLUME | UPDATE_FREQUENCY);
    EXPECT_EQ(channel.voice, nullptr);
}

TEST(SetBpm, TickLengthFromTheTempoAndTempoBelowOneReadAsOne) {
    const struct { int32_t bpm, stored, frames; } cases[] = {
        {130, 130, 848}, {125, 125, 882}, {255, 255, 432}, {0, 1, 110250}, {-20, 1, 110250}};
    for (const auto& c : cases) {
        Song song = {};
        set_bpm(&song, c.bpm);
        EXPECT_EQ((std::array{song.bpm, song.tick_frames}), (std::array{c.stored, c.frames})) << c.bpm;
    }
}

}  // namespace
