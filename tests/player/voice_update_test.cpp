// The voice update (volume, panning, frequency, trigger hand-over, restart) and set_bpm.
#include <gtest/gtest.h>

#include <cstring>

#include "player/engine.h"

namespace {

class VoiceUpdate : public ::testing::Test {
protected:
    Song song = {};
    ChannelState channel = {};
    SampleHeader sample = {};

    void SetUp() override {
        std::memset(voices, 0, sizeof voices);
        for (int k = 0; k < VOICE_COUNT; ++k) {
            voices[k].index = k;
            voices[k].step = 1;
        }
        song.song_flags = 1;
        song.global_volume = 64;
        channel.voice = &voices[3];
        channel.volume = 64;
        channel.venv_out = 64;
        channel.penv_out = 32;
        channel.fadeout_volume = 65536;
        channel.panning = 128;
        sample.length = 1000;
        sample.loop_length = 1000;
        sample.loop_type = LOOP_NONE;
    }

    void update(uint8_t flags) {
        channel.flags = flags;
        voice_update(&channel, &sample, &song);
    }
};

TEST_F(VoiceUpdate, FullVolumeCentredGivesEqualLevels) {
    update(UPDATE_VOLUME | UPDATE_PANNING);
    EXPECT_EQ(voices[3].volume, 127);
    EXPECT_EQ(voices[3].volume_copy, 127);
    EXPECT_EQ(voices[3].panning, 128);
    EXPECT_EQ(voices[3].level_left, 63);
    EXPECT_EQ(voices[3].level_right, 63);
}

TEST_F(VoiceUpdate, GlobalVolumeAndTremoloScaleTheVolume) {
    song.global_volume = 32;
    update(UPDATE_VOLUME);
    EXPECT_EQ(voices[3].volume, 63);
    song.global_volume = 64;
    channel.volume_delta = -32;
    update(UPDATE_VOLUME);
    EXPECT_EQ(voices[3].volume, 63);
    channel.volume_delta = 0;
    channel.fadeout_volume = 0;
    update(UPDATE_VOLUME);
    EXPECT_EQ(voices[3].volume, 0);
}

TEST_F(VoiceUpdate, VolumeLevelsUseTheVoicePanningOnly) {
    voices[3].panning = 255;
    channel.panning = 0;
    update(UPDATE_VOLUME);
    EXPECT_EQ(voices[3].level_left, 127);
    EXPECT_EQ(voices[3].level_right, 0);
}

TEST_F(VoiceUpdate, PanningEnvelopeSwingsOnlyAsFarAsTheNearerEdge) {
    channel.panning = 0;
    channel.penv_out = 64;
    update(UPDATE_VOLUME | UPDATE_PANNING);
    EXPECT_EQ(voices[3].panning, 0);
    EXPECT_EQ(voices[3].level_left, 0);
    EXPECT_EQ(voices[3].level_right, 127);
    channel.panning = 128;
    channel.penv_out = 0;
    update(UPDATE_PANNING);
    EXPECT_EQ(voices[3].panning, 0);
    channel.panning = 200;  // factor (128 - 72) / 32 = 1
    channel.penv_out = 64;
    update(UPDATE_PANNING);
    EXPECT_EQ(voices[3].panning, 232);
    EXPECT_EQ(voices[3].panning_copy, 232);
    channel.panning = 300;  // an unclamped volume-column slide still yields 0..255
    update(UPDATE_PANNING);
    EXPECT_EQ(voices[3].panning, 255);
}

TEST_F(VoiceUpdate, LinearPeriodsGiveFrequencyAndStep) {
    channel.period = 4608;
    update(UPDATE_FREQUENCY);
    EXPECT_EQ(voices[3].frequency, 8363);
    EXPECT_EQ(voices[3].step, 0);
    EXPECT_EQ(voices[3].step_frac, 814485521u);
    channel.period = 4608 - 768;
    update(UPDATE_FREQUENCY);
    EXPECT_EQ(voices[3].frequency, 16726);
    channel.period = 4608;
    channel.period_delta = 768;  // a positive delta raises the pitch with the linear table
    update(UPDATE_FREQUENCY);
    EXPECT_EQ(voices[3].frequency, 16726);
    channel.period = 1000;
    channel.period_delta = 0;
    update(UPDATE_FREQUENCY);
    EXPECT_EQ(voices[3].step, voices[3].frequency / 44100);
}

TEST_F(VoiceUpdate, AmigaPeriodsDivideTheClock) {
    song.song_flags = 0;
    channel.period = 1712;
    update(UPDATE_FREQUENCY);
    EXPECT_EQ(voices[3].frequency, 8362);
    channel.period_delta = 1712;  // a positive delta lowers the pitch with the Amiga table
    update(UPDATE_FREQUENCY);
    EXPECT_EQ(voices[3].frequency, 4181);
}

TEST_F(VoiceUpdate, SlowFrequenciesStepAtTheFloor) {
    song.song_flags = 0;
    channel.period = 200000;
    update(UPDATE_FREQUENCY);
    EXPECT_EQ(voices[3].frequency, 71);
    EXPECT_EQ(voices[3].step, 0);
    EXPECT_EQ(voices[3].step_frac, static_cast<uint32_t>((uint64_t{100} << 32) / 44100));
}

TEST_F(VoiceUpdate, ExtremePeriodsKeepTheStepBounded) {
    channel.period = -(1 << 24);
    update(UPDATE_FREQUENCY);
    EXPECT_EQ(voices[3].frequency, INT32_MAX);
    EXPECT_LT(voices[3].step, 128);
    song.song_flags = 0;
    channel.period = 1;
    update(UPDATE_FREQUENCY);
    EXPECT_EQ(voices[3].frequency, 14317056);
    EXPECT_LT(voices[3].step, 128);
    channel.period = -5;
    update(UPDATE_FREQUENCY);
    EXPECT_EQ(voices[3].step, 0);  // a negative frequency steps at the floor
}

TEST_F(VoiceUpdate, ZeroPeriodLeavesTheFrequencyAlone) {
    song.song_flags = 0;
    voices[3].frequency = 1234;
    channel.period = 100;
    channel.period_delta = -100;
    update(UPDATE_FREQUENCY);
    EXPECT_EQ(voices[3].frequency, 1234);
    EXPECT_EQ(channel.flags & UPDATE_FREQUENCY, 0);
}

TEST_F(VoiceUpdate, TriggerOnASilentVoiceStartsInPlace) {
    voices[3].start_offset = 300;
    update(UPDATE_TRIGGER);
    EXPECT_EQ(channel.voice, &voices[3]);
    EXPECT_EQ(voices[3].sample, &sample);
    EXPECT_EQ(voices[3].pos, 300);
    EXPECT_EQ(voices[3].start_offset, 0u);
    EXPECT_EQ(voices[3].direction, 1);
    EXPECT_EQ(voices[3].cur_left, 0);
    EXPECT_EQ(voices[35].sample, nullptr);
}

TEST_F(VoiceUpdate, TriggerAlternatesBetweenTheVoiceAndItsTwin) {
    update(UPDATE_TRIGGER | UPDATE_VOLUME);
    voices[3].pos = 500;
    voices[3].cur_left = 63 * 256;
    update(UPDATE_TRIGGER | UPDATE_VOLUME);
    EXPECT_EQ(channel.voice, &voices[35]);
    EXPECT_EQ(voices[35].index, 35);
    EXPECT_EQ(voices[35].pos, 0);
    EXPECT_EQ(voices[35].volume, 127);
    // The old voice keeps its sample and position and fades to silence.
    EXPECT_EQ(voices[3].sample, &sample);
    EXPECT_EQ(voices[3].pos, 500);
    EXPECT_EQ(voices[3].volume, 0);
    EXPECT_EQ(voices[3].level_left, 0);
    EXPECT_EQ(voices[3].level_right, 0);
    EXPECT_EQ(voices[3].cur_left, 63 * 256);
    update(UPDATE_TRIGGER);
    EXPECT_EQ(channel.voice, &voices[3]);
    EXPECT_EQ(voices[3].index, 3);
}

TEST_F(VoiceUpdate, StartOffsetAtTheLoopEndStartsAtZero) {
    sample.loop_start = 100;
    sample.loop_length = 50;
    voices[3].start_offset = 150;
    update(UPDATE_TRIGGER);
    EXPECT_EQ(voices[3].pos, 0);
}

TEST_F(VoiceUpdate, RestartRewindsWithoutTrigger) {
    update(UPDATE_TRIGGER);
    voices[3].pos = 700;
    voices[3].pos_frac = 99;
    update(UPDATE_RESTART);
    EXPECT_EQ(channel.voice, &voices[3]);
    EXPECT_EQ(voices[3].pos, 0);
    EXPECT_EQ(voices[3].pos_frac, 0u);
}

TEST_F(VoiceUpdate, ChannelWithoutVoiceIsSkipped) {
    channel.voice = nullptr;
    update(UPDATE_TRIGGER | UPDATE_VOLUME | UPDATE_FREQUENCY);
    EXPECT_EQ(channel.voice, nullptr);
}

TEST(SetBpm, TickLengthFromTheTempo) {
    Song song = {};
    set_bpm(&song, 130);
    EXPECT_EQ(song.bpm, 130);
    EXPECT_EQ(song.tick_frames, 848);
    set_bpm(&song, 125);
    EXPECT_EQ(song.tick_frames, 882);
    set_bpm(&song, 255);
    EXPECT_EQ(song.tick_frames, 432);
}

TEST(SetBpm, TempoBelowOneIsReadAsOne) {
    Song song = {};
    set_bpm(&song, 0);
    EXPECT_EQ(song.bpm, 1);
    EXPECT_EQ(song.tick_frames, 110250);
    set_bpm(&song, -20);
    EXPECT_GT(song.tick_frames, 0);
}

}  // namespace
