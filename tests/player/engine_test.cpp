// The row and tick engine: song position, notes and instruments, the volume column and every
// effect, driven tick by tick on modules built with the XM writer and loaded from a file.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "audio/audio.h"
#include "player/engine.h"
#include "tools/xm_writer.h"

namespace {

constexpr uint8_t C4 = 49;  // note 48 0-based: period 4608 with the linear table
constexpr uint8_t C5 = 61;
enum : uint8_t { FX_ARP = 0, FX_VOLSLIDE = 10, FX_JUMP = 11, FX_SETVOL = 12, FX_BREAK = 13,
                 FX_EXT = 14, FX_SPEED = 15, FX_GLOBAL = 16, FX_GSLIDE = 17, FX_KEYOFF = 20,
                 FX_ENVPOS = 21, FX_PANSLIDE = 25, FX_RETRIG = 27, FX_TREMOR = 29, FX_XFINE = 33 };

class Engine : public ::testing::Test {
protected:
    XmModule module;
    Song* song = nullptr;
    std::string path;

    // Two channels, one 16-row pattern, one instrument whose 8-bit sample loops 64..192.
    void SetUp() override {
        module = xm_basic_module(2);
        module.patterns = {xm_empty_pattern(module, 16)};
        path = (std::filesystem::temp_directory_path() /
                ("engine_test_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                 "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".xm"))
                   .string();
    }

    void TearDown() override {
        music_free(song);
        std::remove(path.c_str());
    }

    NoteCell& at(int row, int channel, int pattern = 0) {
        return module.patterns[pattern].cells[size_t(row) * module.channel_count + size_t(channel)];
    }

    void put(int row, int channel, NoteCell cell, int pattern = 0) { at(row, channel, pattern) = cell; }

    void load() {
        std::vector<uint8_t> bytes = xm_write(module);
        FILE* file = std::fopen(path.c_str(), "wb");
        ASSERT_NE(file, nullptr);
        std::fwrite(bytes.data(), 1, bytes.size(), file);
        std::fclose(file);
        music_set_file_callbacks(file_open, file_close, file_read, file_seek, file_tell);
        song = music_load(path.c_str(), nullptr);
        ASSERT_NE(song, nullptr) << music_load_error();
        ASSERT_TRUE(playback_prepare(song));
    }

    void ticks(int count) {
        for (int i = 0; i < count; ++i) song_tick(song);
    }

    // The (order, row) of each row start over the given ticks.
    std::vector<std::pair<int, int>> row_starts(int count) {
        std::vector<std::pair<int, int>> starts;
        for (int i = 0; i < count; ++i) {
            bool starting = song->tick == 0;
            song_tick(song);
            if (starting) starts.emplace_back(song->order_pos, song->row);
        }
        return starts;
    }

    Voice& voice(int channel) { return *channels[channel].voice; }

    XmInstrument& instrument(int index = 0) { return module.instruments[size_t(index)]; }
};

// ---- Song position ----------------------------------------------------------------------------

TEST_F(Engine, RowsLastSpeedTicksAndTheSongRestartsAfterItsLastOrder) {
    module.patterns = {xm_empty_pattern(module, 3), xm_empty_pattern(module, 2)};
    module.orders = {0, 1};
    module.restart_position = 1;
    load();
    std::vector<std::pair<int, int>> starts;
    for (int tick = 0; tick < 6 * 9; ++tick) {
        if (song->tick == 0) {
            EXPECT_EQ(tick % 6, 0) << "a row starts at tick " << tick;
        }
        bool starting = song->tick == 0;
        song_tick(song);
        if (starting) starts.emplace_back(song->order_pos, song->row);
    }
    std::vector<std::pair<int, int>> expected = {{0, 0}, {0, 1}, {0, 2}, {1, 0}, {1, 1},
                                                 {1, 0}, {1, 1}, {1, 0}, {1, 1}};
    EXPECT_EQ(starts, expected);
}

TEST_F(Engine, SpeedZeroStartsARowAtEveryTick) {
    put(0, 0, {0, 0, 0, FX_SPEED, 0});
    load();
    ticks(1);
    EXPECT_EQ(song->speed, 0);
    EXPECT_EQ(song->tick, 0);
    auto starts = row_starts(3);
    EXPECT_EQ(starts, (std::vector<std::pair<int, int>>{{0, 1}, {0, 2}, {0, 3}}));
}

TEST_F(Engine, SpeedEffectAbove31SetsTheTempo) {
    put(0, 1, {0, 0, 0, FX_SPEED, 130});
    load();
    EXPECT_EQ(song->tick_frames, 882);
    ticks(1);
    EXPECT_EQ(song->bpm, 130);
    EXPECT_EQ(song->tick_frames, 848);
    EXPECT_EQ(song->speed, 6);
}

TEST_F(Engine, JumpThenBreakOnOneRowKeepsTheJumpOrder) {
    module.orders = {0, 0, 0, 0, 0};
    put(0, 0, {0, 0, 0, FX_JUMP, 3});
    put(0, 1, {0, 0, 0, FX_BREAK, 0x10});
    load();
    auto starts = row_starts(7);
    EXPECT_EQ(starts.back(), std::make_pair(3, 10));
}

TEST_F(Engine, BreakThenJumpOnOneRowGoesToRowZero) {
    module.orders = {0, 0, 0, 0, 0};
    put(0, 0, {0, 0, 0, FX_BREAK, 0x10});
    put(0, 1, {0, 0, 0, FX_JUMP, 3});
    load();
    auto starts = row_starts(7);
    EXPECT_EQ(starts.back(), std::make_pair(3, 0));
}

TEST_F(Engine, BreakBeyondRow63AndJumpsBeyondTheSongStartOver) {
    module.orders = {0, 0, 0};
    put(0, 0, {0, 0, 0, FX_BREAK, 0x64});
    put(1, 0, {0, 0, 0, FX_JUMP, 9});
    load();
    auto starts = row_starts(6 * 5);
    std::vector<std::pair<int, int>> expected = {{0, 0}, {1, 0}, {2, 0}, {0, 0}, {1, 0}};
    EXPECT_EQ(starts, expected);
}

TEST_F(Engine, BreakOnTheLastOrderGoesToTheFirstOrder) {
    module.orders = {0, 0};
    module.restart_position = 1;
    put(0, 0, {0, 0, 0, FX_BREAK, 0x05});
    load();
    auto starts = row_starts(6 * 2);
    EXPECT_EQ(starts[1], std::make_pair(1, 5));
    song->order_pos = 1;
    song->next_order = -1;
    song->next_row = 0;
    starts = row_starts(6 * 2);
    EXPECT_EQ(starts[1], std::make_pair(0, 5));
}

TEST_F(Engine, BreakPastAShorterPatternsEndLandsOnItsFirstRow) {
    module.patterns.push_back(xm_empty_pattern(module, 8));
    module.orders = {0, 1};
    put(0, 0, {0, 0, 0, FX_BREAK, 0x12});
    load();
    auto starts = row_starts(6 * 2);
    EXPECT_EQ(starts[1], std::make_pair(1, 0));
}

TEST_F(Engine, PatternLoopPlaysTheLoopedRowsThreeTimes) {
    put(1, 0, {0, 0, 0, FX_EXT, 0x60});
    put(2, 0, {0, 0, 0, FX_EXT, 0x62});
    load();
    std::vector<int> rows;
    for (auto start : row_starts(6 * 8)) rows.push_back(start.second);
    EXPECT_EQ(rows, (std::vector<int>{0, 1, 2, 1, 2, 1, 2, 3}));
}

TEST_F(Engine, PatternDelayStretchesTheRowWhileTickEffectsRun) {
    put(0, 0, {C4, 1, 0, FX_EXT, 0xE2});
    put(0, 1, {C4, 1, 0, FX_VOLSLIDE, 0x01});
    load();
    auto starts = row_starts(6 * 3 + 1);
    EXPECT_EQ(starts, (std::vector<std::pair<int, int>>{{0, 0}, {0, 1}}));
    EXPECT_EQ(channels[1].volume, 64 - 17);
}

// ---- Notes, instruments and periods -----------------------------------------------------------

TEST_F(Engine, NoteStartsTheSampleWithLinearAndAmigaPeriods) {
    instrument().samples[0].finetune = 127;
    put(0, 0, {C4, 1, 0, 0, 0});
    put(0, 1, {1, 1, 0, 0, 0});
    load();
    ticks(1);
    EXPECT_EQ(channels[0].period, 4608 - 63);
    EXPECT_EQ(channels[1].period, 7680 - 63);
    EXPECT_EQ(voice(0).sample, song->instruments[0].samples[0]);
    EXPECT_EQ(voice(0).volume, 127);
    EXPECT_EQ(channels[0].real_note, 48);

    module.flags = 0;
    instrument().samples[0].finetune = 0;
    music_free(song);
    load();
    ticks(1);
    EXPECT_EQ(channels[0].period, 1712);
    EXPECT_EQ(channels[1].period, 27392);
    EXPECT_EQ(voice(0).frequency, 8362);
}

TEST_F(Engine, RelativeNoteShiftsThePeriod) {
    instrument().samples[0].relative_note = -12;
    put(0, 0, {C4, 1, 0, 0, 0});
    load();
    ticks(1);
    EXPECT_EQ(channels[0].real_note, 36);
    EXPECT_EQ(channels[0].period, 4608 + 768);
}

TEST_F(Engine, MissingInstrumentsAndKeymapHolesPlaySilence) {
    instrument().keymap[50] = 16;
    put(0, 0, {C4, 7, 0, 0, 0});
    put(0, 1, {C4 + 2, 1, 0, 0, 0});
    load();
    ticks(1);
    EXPECT_EQ(voice(0).sample, &dummy_sample);
    EXPECT_EQ(voice(0).volume, 0);
    EXPECT_EQ(voice(1).sample, &dummy_sample);
    EXPECT_EQ(dummy_sample.data, nullptr);
}

TEST_F(Engine, ToneportaKeepsSampleAndPeriodAndSlidesTowardTheNewNote) {
    XmInstrument second = instrument();
    second.samples[0].volume = 32;
    module.instruments.push_back(second);
    instrument().samples[0].volume = 48;
    put(0, 0, {C4, 1, 0x20, 0, 0});
    put(1, 0, {C5, 2, 0, 3, 8});
    for (int row = 2; row < 6; ++row) put(row, 0, {0, 0, 0, 3, 0});
    load();
    ticks(6);
    Voice* first_voice = channels[0].voice;
    EXPECT_EQ(channels[0].volume, 16);
    ticks(1);
    EXPECT_EQ(channels[0].instrument, 0);
    EXPECT_EQ(channels[0].period, 4608);
    EXPECT_EQ(channels[0].porta_target, 3840);
    EXPECT_EQ(channels[0].voice, first_voice);
    EXPECT_EQ(channels[0].volume, 48);  // the cell's instrument resets from the kept sample
    ticks(5);
    EXPECT_EQ(channels[0].period, 4608 - 5 * 32);
    ticks(6 * 4);
    EXPECT_EQ(channels[0].period, 3840);
    EXPECT_EQ(channels[0].voice, first_voice);
}

TEST_F(Engine, KeyOffWithoutVolumeEnvelopeSilencesAtOnce) {
    put(0, 0, {C4, 1, 0, 0, 0});
    put(1, 0, {NOTE_KEY_OFF, 0, 0, 0, 0});
    put(0, 1, {C4, 1, 0, 0, 0});
    put(1, 1, {0, 0, 0, FX_KEYOFF, 0});
    load();
    ticks(6);
    EXPECT_EQ(voice(0).volume, 127);
    ticks(1);
    EXPECT_EQ(voice(0).volume, 0);
    EXPECT_EQ(voice(1).volume, 0);
    EXPECT_EQ(channels[0].key_off, 1);
}

TEST_F(Engine, KeyOffWithVolumeEnvelopeFadesPastTheSustainPoint) {
    XmEnvelope& env = instrument().volume_envelope;
    env.points = {{0, 64}, {2, 32}, {10, 0}};
    env.type = 1 | 2;
    env.sustain = 1;
    instrument().fadeout = 1024;
    put(0, 0, {C4, 1, 0, 0, 0});
    put(1, 0, {NOTE_KEY_OFF, 0, 0, 0, 0});
    load();
    ticks(6);
    EXPECT_EQ(channels[0].venv_out, 32);
    EXPECT_EQ(channels[0].fadeout_volume, 65536);
    ticks(1);
    EXPECT_EQ(channels[0].fadeout_volume, 65536 - 2048);
    EXPECT_EQ(channels[0].venv_out, 32);
    ticks(3);
    EXPECT_EQ(channels[0].venv_out, 20);
    EXPECT_EQ(channels[0].fadeout_volume, 65536 - 4 * 2048);
    int64_t expected = int64_t(64) * 20 * (65536 - 4 * 2048) * 64 * 255 / (int64_t(1) << 35);
    EXPECT_EQ(voice(0).volume, expected);
    ticks(40);
    EXPECT_EQ(channels[0].fadeout_volume, 0);
    EXPECT_EQ(voice(0).volume, 0);
}

TEST_F(Engine, SampleOffsetAtOrBeyondTheLoopEndRewindsThePlayingVoice) {
    put(0, 0, {C4, 1, 0, 0, 0});
    put(1, 0, {C4, 1, 0, 9, 1});  // 256 >= loop end 192
    load();
    ticks(6);
    Voice* playing = channels[0].voice;
    playing->pos = 100;
    ticks(1);
    EXPECT_EQ(channels[0].voice, playing);
    EXPECT_EQ(playing->pos, 0);
    EXPECT_EQ(playing->sample, song->instruments[0].samples[0]);
}

TEST_F(Engine, SampleOffsetStartsTheNoteAndNeverLingers) {
    instrument().samples[0] = xm_test_sample(8, 2048);
    put(0, 0, {C4, 1, 0, 9, 2});
    put(1, 0, {0, 0, 0, 9, 3});
    put(2, 0, {C4, 1, 0, 0, 0});
    put(3, 0, {C4, 0, 0, 9, 0});
    load();
    ticks(1);
    EXPECT_EQ(voice(0).pos, 512);
    ticks(6 * 2);
    EXPECT_EQ(voice(0).pos, 0);
    ticks(6);
    EXPECT_EQ(voice(0).pos, 768);
}

TEST_F(Engine, NoteDelayStartsTheNoteOnItsTick) {
    put(0, 0, {C4, 1, 0x30, FX_EXT, 0xD2});
    load();
    ticks(1);
    EXPECT_EQ(voice(0).sample, nullptr);
    EXPECT_EQ(channels[0].flags & 0x0F, 0);
    ticks(1);
    EXPECT_EQ(voice(0).sample, nullptr);
    ticks(1);
    EXPECT_EQ(voice(0).sample, song->instruments[0].samples[0]);
    EXPECT_EQ(channels[0].volume, 32);
    EXPECT_EQ(voice(0).frequency, 8363);
}

TEST_F(Engine, NoteDelayOfZeroPlaysTheNoteAtOnce) {
    put(0, 0, {C4, 1, 0, FX_EXT, 0xD0});
    load();
    ticks(1);
    Voice* playing = channels[0].voice;
    EXPECT_EQ(playing->sample, song->instruments[0].samples[0]);
    EXPECT_EQ(channels[0].period, 4608);
    ticks(5);
    EXPECT_EQ(channels[0].voice, playing);
}

TEST_F(Engine, NoteDelayBeyondTheRowNeverPlays) {
    put(0, 0, {C4, 1, 0, FX_EXT, 0xD7});
    load();
    for (int tick = 0; tick < 6; ++tick) {
        ticks(1);
        EXPECT_EQ(voice(0).sample, nullptr) << tick;
    }
    EXPECT_EQ(song->row, 0);
}

// ---- The volume column ------------------------------------------------------------------------

TEST_F(Engine, VolumeColumnSlidesRunOnEveryTickFineSlidesOnlyOnTheFirst) {
    put(0, 0, {C4, 1, 0x63, 0, 0});
    put(0, 1, {C4, 1, 0x83, 0, 0});
    put(1, 1, {0, 0, 0x95, 0, 0});
    load();
    ticks(1);
    // The volume-column slide also runs on tick 0, unlike the effect-column slide.
    EXPECT_EQ(channels[0].volume, 61);
    EXPECT_EQ(channels[1].volume, 61);
    ticks(5);
    EXPECT_EQ(channels[0].volume, 64 - 6 * 3);
    EXPECT_EQ(channels[1].volume, 61);
    ticks(1);
    EXPECT_EQ(channels[1].volume, 64);
}

TEST_F(Engine, VolumeColumnSetsVolumeAndPanningAndSlidesPanningUnclamped) {
    put(0, 0, {C4, 1, 0x50, 0, 0});
    put(1, 0, {0, 0, 0xCF, 0, 0});
    put(2, 0, {0, 0, 0xE9, 0, 0});
    put(0, 1, {C4, 1, 0x10, 0, 0});
    put(1, 1, {0, 0, 0xC0, 0, 0});
    put(2, 1, {0, 0, 0xD4, 0, 0});
    load();
    ticks(1);
    EXPECT_EQ(channels[0].volume, 64);
    EXPECT_EQ(channels[1].volume, 0);
    ticks(6);
    EXPECT_EQ(channels[0].panning, 240);
    EXPECT_EQ(channels[1].panning, 0);
    ticks(11);
    EXPECT_EQ(channels[0].panning, 240 + 6 * 9);
    EXPECT_EQ(channels[1].panning, -6 * 4);
    EXPECT_EQ(voice(0).panning, 255);
    EXPECT_EQ(voice(1).panning, 0);
}

TEST_F(Engine, VolumeColumnPortamentoJumpsToTheNoteWithoutRestart) {
    put(0, 0, {C4, 1, 0, 0, 0});
    put(1, 0, {C5, 0, 0xF2, 0, 0});
    load();
    ticks(6);
    Voice* playing = channels[0].voice;
    ticks(1);
    EXPECT_EQ(channels[0].voice, playing);
    EXPECT_EQ(channels[0].period, 3840);
    EXPECT_EQ(channels[0].porta_speed, 32);
    EXPECT_EQ(channels[0].porta_target, 3840);
}

TEST_F(Engine, VolumeColumnVibratoSetsSpeedThenDepthAndVibrates) {
    put(0, 0, {C4, 1, 0xA4, 0, 0});
    put(1, 0, {0, 0, 0xB8, 0, 0});
    load();
    ticks(6);
    EXPECT_EQ(channels[0].vib_speed, 4);
    ticks(3);
    EXPECT_EQ(channels[0].vib_depth, 8);
    EXPECT_EQ(channels[0].vib_pos, 8);
    EXPECT_EQ(channels[0].period_delta, -24);
}

// ---- Effects at the first tick of a row -------------------------------------------------------

TEST_F(Engine, FirstTickEffectsSetVolumePanningAndGlobalVolume) {
    put(0, 0, {C4, 1, 0, FX_SETVOL, 80});
    put(0, 1, {C4, 1, 0, 8, 0x40});
    put(1, 0, {0, 0, 0, FX_GLOBAL, 99});
    put(1, 1, {0, 0, 0, FX_EXT, 0x8C});
    put(2, 0, {0, 0, 0, FX_EXT, 0xB5});
    put(2, 1, {0, 0, 0, FX_EXT, 0xA5});
    put(3, 0, {0, 0, 0, FX_EXT, 0xB0});
    load();
    ticks(1);
    EXPECT_EQ(channels[0].volume, 80);  // not clamped
    EXPECT_EQ(voice(0).volume, 159);  // 80 x 127.5 / 64
    EXPECT_EQ(channels[1].panning, 0x40);
    ticks(6);
    EXPECT_EQ(song->global_volume, 64);
    EXPECT_EQ(channels[1].panning, 0xC0);
    ticks(6);
    EXPECT_EQ(channels[0].volume, 80 - 5);
    EXPECT_EQ(channels[1].volume, 64);
    ticks(6);
    EXPECT_EQ(channels[0].volume, 80 - 10);
}

TEST_F(Engine, FinePortamentosMoveThePeriodOncePerRow) {
    put(0, 0, {C4, 1, 0, FX_EXT, 0x12});
    put(1, 0, {0, 0, 0, FX_EXT, 0x10});
    put(2, 0, {0, 0, 0, FX_EXT, 0x23});
    put(3, 0, {0, 0, 0, FX_XFINE, 0x15});
    put(4, 0, {0, 0, 0, FX_XFINE, 0x27});
    put(5, 0, {0, 0, 0, FX_XFINE, 0x20});
    put(6, 0, {0, 0, 0, FX_XFINE, 0x37});
    load();
    std::vector<int32_t> periods;
    for (int row = 0; row < 7; ++row) {
        ticks(6);
        periods.push_back(channels[0].period);
    }
    EXPECT_EQ(periods, (std::vector<int32_t>{4600, 4592, 4604, 4599, 4606, 4606, 4606}));
}

TEST_F(Engine, FinetuneEffectChangesTheSampleForLaterNotes) {
    put(0, 0, {C4, 1, 0, FX_EXT, 0x58});
    put(1, 0, {C4, 1, 0, 0, 0});
    load();
    ticks(1);
    EXPECT_EQ(song->instruments[0].samples[0]->finetune, 8);
    ticks(6);
    EXPECT_EQ(channels[0].period, 4608 - 4);
}

TEST_F(Engine, EnvelopePositionEffectMovesOnlyTheVolumeEnvelope) {
    XmEnvelope& env = instrument().volume_envelope;
    env.points = {{0, 64}, {10, 0}};
    env.type = 1;
    instrument().panning_envelope = env;
    put(0, 0, {C4, 1, 0, FX_ENVPOS, 5});
    load();
    ticks(1);
    EXPECT_EQ(channels[0].venv_out, 32);
    EXPECT_EQ(channels[0].venv_tick, 5);
    EXPECT_EQ(channels[0].penv_tick, 1);
}

TEST_F(Engine, WaveformNibblesAboveThreeKeepThePositionForNewInstruments) {
    put(0, 0, {C4, 1, 0, FX_EXT, 0x44});
    put(1, 0, {0, 0, 0, 4, 0x48});
    put(2, 0, {C4, 1, 0, 0, 0});
    put(0, 1, {C4, 1, 0, 4, 0x48});
    put(1, 1, {C4, 1, 0, 0, 0});
    load();
    ticks(12);
    EXPECT_EQ(channels[0].waveform, 0x04);
    EXPECT_EQ(channels[0].vib_pos, 20);
    EXPECT_EQ(channels[1].vib_pos, 0);
    ticks(1);
    EXPECT_EQ(channels[0].vib_pos, 20);
}

// ---- Effects on the ticks after the first -----------------------------------------------------

TEST_F(Engine, ArpeggioCyclesThroughTheNotesInBothTables) {
    put(0, 0, {C4, 1, 0, FX_ARP, 0x37});
    load();
    std::vector<int32_t> deltas;
    for (int tick = 0; tick < 6; ++tick) {
        ticks(1);
        deltas.push_back(channels[0].period_delta);
    }
    EXPECT_EQ(deltas, (std::vector<int32_t>{0, 192, 448, 0, 192, 448}));

    module.flags = 0;
    music_free(song);
    load();
    ticks(2);
    EXPECT_EQ(channels[0].period_delta, amiga_period(51, 0) - amiga_period(48, 0));
    EXPECT_LT(channels[0].period_delta, 0);
}

TEST_F(Engine, PortamentosSlideEveryTickWithMemoryAndFloor) {
    put(0, 0, {85, 1, 0, 1, 0xFF});
    put(0, 1, {C4, 1, 0, 2, 0x10});
    put(1, 1, {0, 0, 0, 2, 0x00});
    load();
    std::vector<int32_t> up;
    for (int tick = 0; tick < 4; ++tick) {
        ticks(1);
        up.push_back(channels[0].period);
    }
    EXPECT_EQ(up, (std::vector<int32_t>{2304, 1284, 264, 56}));
    ticks(2 + 6);
    EXPECT_EQ(channels[1].period, 4608 + 10 * 64);
}

TEST_F(Engine, VibratoAdvancesAfterApplying) {
    put(0, 0, {C4, 1, 0, 4, 0x48});
    load();
    ticks(2);
    EXPECT_EQ(channels[0].period_delta, 0);
    EXPECT_EQ(channels[0].vib_pos, 4);
    ticks(1);
    EXPECT_EQ(channels[0].period_delta, -24);
    EXPECT_LT(voice(0).frequency, 8363);
}

TEST_F(Engine, PortamentoAndVibratoWithVolumeSlide) {
    put(0, 0, {C4, 1, 0, 0, 0});
    put(1, 0, {C5, 0, 0, 3, 0x08});
    put(2, 0, {0, 0, 0, 5, 0x02});
    put(0, 1, {C4, 1, 0x30, 4, 0x48});
    put(1, 1, {0, 0, 0, 6, 0x20});
    load();
    ticks(6 * 2);
    EXPECT_EQ(channels[0].period, 4608 - 5 * 32);
    // Ten advances of 4 from 0 wrap once: 20 + 20 - 64.
    EXPECT_EQ(channels[1].vib_pos, -24);
    EXPECT_EQ(channels[1].period_delta, 24);
    EXPECT_EQ(channels[1].volume, 32 + 5 * 2);
    ticks(6);
    EXPECT_EQ(channels[0].period, 4608 - 10 * 32);
    EXPECT_EQ(channels[0].volume, 64 - 5 * 2);
}

TEST_F(Engine, TremoloDeltaStaysWhenTheTremoloEnds) {
    put(0, 0, {C4, 1, 0x30, 7, 0x8F});
    put(1, 0, {0, 0, 0, 0, 0});
    load();
    ticks(3);
    int32_t delta = channels[0].volume_delta;
    EXPECT_NE(delta, 0);
    ticks(3);
    int32_t last = channels[0].volume_delta;
    ticks(1);
    EXPECT_EQ(channels[0].volume, 32 + last);
    EXPECT_EQ(channels[0].volume_delta, 0);
}

TEST_F(Engine, VolumeSlideUsesItsMemory) {
    put(0, 0, {C4, 1, 0x28, FX_VOLSLIDE, 0x30});
    put(1, 0, {0, 0, 0, FX_VOLSLIDE, 0x00});
    put(2, 0, {0, 0, 0, FX_VOLSLIDE, 0x07});
    load();
    ticks(6);
    EXPECT_EQ(channels[0].volume, 24 + 15);
    ticks(6);
    EXPECT_EQ(channels[0].volume, 54);
    ticks(6);
    EXPECT_EQ(channels[0].volume, 54 - 35);
}

TEST_F(Engine, RetriggerEffectsAlternateVoicesOnTheirTicks) {
    put(0, 0, {C4, 1, 0, FX_EXT, 0x92});
    put(0, 1, {C4, 1, 0, FX_RETRIG, 0x33});
    load();
    std::vector<int> voices0, volumes1;
    for (int tick = 0; tick < 6; ++tick) {
        ticks(1);
        voices0.push_back(voice(0).index);
        volumes1.push_back(channels[1].volume);
    }
    EXPECT_EQ(voices0, (std::vector<int>{0, 0, 32, 32, 0, 0}));
    EXPECT_EQ(volumes1, (std::vector<int>{64, 64, 64, 60, 60, 60}));
    EXPECT_EQ(voice(1).index, 33);  // retriggered on tick 3 only: one hand-over
}

TEST_F(Engine, RetriggerVolumeModesChangeAndClampTheVolume) {
    const std::pair<uint8_t, int32_t> cases[] = {{0x1, 39}, {0x5, 24}, {0x6, 26}, {0x7, 20},
                                                 {0x8, 40}, {0xB, 44}, {0xE, 60}, {0xF, 64}};
    int row = 0;
    for (const auto& c : cases) put(row++, 0, {C4, 1, 0x38, FX_RETRIG, uint8_t(c.first << 4 | 5)});
    load();
    for (auto [mode, expected] : cases) {
        ticks(6);
        EXPECT_EQ(channels[0].volume, expected) << "mode " << int(mode);
    }
}

TEST_F(Engine, NoteCutSilencesOnItsTick) {
    put(0, 0, {C4, 1, 0, FX_EXT, 0xC3});
    put(0, 1, {C4, 1, 0, FX_EXT, 0xC0});
    load();
    ticks(3);
    EXPECT_EQ(channels[0].volume, 64);
    ticks(1);
    EXPECT_EQ(channels[0].volume, 0);
    EXPECT_EQ(voice(0).volume, 0);
    ticks(2);
    EXPECT_EQ(channels[1].volume, 64);
}

TEST_F(Engine, GlobalVolumeSlideAndPanningSlide) {
    put(0, 0, {C4, 1, 0, FX_GSLIDE, 0x05});
    put(1, 0, {0, 0, 0, FX_GSLIDE, 0x00});
    put(2, 0, {0, 0, 0, FX_GSLIDE, 0xF0});
    put(0, 1, {C4, 1, 0xCF, FX_PANSLIDE, 0x40});
    put(1, 1, {0, 0, 0, FX_PANSLIDE, 0x0F});
    load();
    ticks(6);
    EXPECT_EQ(song->global_volume, 64 - 25);
    EXPECT_EQ(channels[1].panning, 255);
    ticks(6);
    EXPECT_EQ(song->global_volume, 64 - 50);
    EXPECT_EQ(channels[1].panning, 255 - 75);
    ticks(6);
    EXPECT_EQ(song->global_volume, 64);
}

TEST_F(Engine, TremorAlternatesAudibleAndSilentTicks) {
    put(0, 0, {C4, 1, 0, FX_TREMOR, 0x11});
    load();
    std::vector<int32_t> volumes;
    for (int tick = 0; tick < 6; ++tick) {
        ticks(1);
        volumes.push_back(voice(0).volume);
    }
    EXPECT_EQ(volumes, (std::vector<int32_t>{127, 127, 0, 0, 127, 127}));
}

// ---- Any input stays in bounds ----------------------------------------------------------------

TEST_F(Engine, RandomCellsKeepThePositionAndVoicesInBounds) {
    uint32_t seed = 12345;
    auto next = [&seed](uint32_t range) {
        seed = seed * 1664525u + 1013904223u;
        return (seed >> 8) % range;
    };
    module.channel_count = 4;
    module.patterns = {xm_empty_pattern(module, 32), xm_empty_pattern(module, 5),
                       xm_empty_pattern(module, 64)};
    module.orders = {0, 1, 2, 1, 0};
    instrument().volume_envelope.points = {{0, 64}, {3, 10}, {9, 40}, {20, 0}};
    instrument().volume_envelope.type = 7;
    instrument().volume_envelope.loop_start = 1;
    instrument().volume_envelope.loop_end = 2;
    instrument().vibrato_depth = 15;
    instrument().vibrato_rate = 40;
    for (XmPattern& pattern : module.patterns) {
        for (NoteCell& cell : pattern.cells) {
            cell.note = uint8_t(next(4) == 0 ? 1 + next(97) : 0);
            cell.instrument = uint8_t(next(3) == 0 ? next(4) : 0);
            cell.volume = uint8_t(next(2) == 0 ? next(256) : 0);
            cell.effect = uint8_t(next(36));
            cell.param = uint8_t(next(256));
        }
    }
    load();
    for (int tick = 0; tick < 20000; ++tick) {
        song_tick(song);
        ASSERT_GE(song->order_pos, 0);
        ASSERT_LT(song->order_pos, song->song_length);
        ASSERT_LT(song->row, song->patterns[song->order_table[song->order_pos]].rows);
        for (int c = 0; c < 4; ++c) {
            ASSERT_GE(channels[c].voice, &voices[0]);
            ASSERT_LT(channels[c].voice, &voices[64]);
            ASSERT_GE(channels[c].venv_out, 0);
            ASSERT_LE(channels[c].venv_out, 64);
            ASSERT_GE(voice(c).panning, 0);
            ASSERT_LE(voice(c).panning, 255);
        }
    }
}

TEST(EngineSongs, RealModulesPlayWithinBounds) {
    const char* names[] = {"drozerix-bit-loader.xm", "lachesis-villgust-gaiden-menu.xm",
                           "drozerix-crush.xm", "drozerix-dream-candy.xm"};
    music_set_file_callbacks(file_open, file_close, file_read, file_seek, file_tell);
    for (const char* name : names) {
        std::string path = std::string("/work/shared/testdata/xm/") + name;
        if (!std::filesystem::exists(path)) GTEST_SKIP() << "test songs not present";
        Song* song = music_load(path.c_str(), nullptr);
        ASSERT_NE(song, nullptr) << name << ": " << music_load_error();
        ASSERT_TRUE(playback_prepare(song));
        int rows_started = 0;
        for (int tick = 0; tick < 5000; ++tick) {
            if (song->tick == 0) ++rows_started;
            song_tick(song);
            ASSERT_LT(song->order_pos, song->song_length) << name;
            ASSERT_LT(song->row, song->patterns[song->order_table[song->order_pos]].rows) << name;
        }
        EXPECT_GT(rows_started, 5000 / 32) << name;
        music_free(song);
    }
}

}  // namespace
