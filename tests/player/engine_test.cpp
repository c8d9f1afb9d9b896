// The row and tick engine, driven tick by tick on modules built with the XM writer: song
// position, notes, the volume column and the effects, as tables of cells and what they give.
#include <gtest/gtest.h>

#include <cctype>
#include <iterator>
#include <string>
#include <vector>

#include "audio/audio.h"
#include "player/engine.h"
#include "tests/support/modules.h"

namespace {

constexpr uint8_t C4 = 49;  // 0-based note 48: period 4608 with the linear table
constexpr uint8_t C5 = 61;

// A cell of pattern 0: N is C-4 with instrument 1, V a volume-column byte alone, F an effect alone.
struct Put { int row, channel; NoteCell cell; };
Put N(int row, uint8_t vol, uint8_t fx, uint8_t param) { return {row, 0, {C4, 1, vol, fx, param}}; }
Put V(int row, uint8_t vol, uint8_t note = 0) { return {row, 0, {note, 0, vol, 0, 0}}; }
Put F(int row, uint8_t fx, uint8_t param, int ch = 0) { return {row, ch, {0, 0, 0, fx, param}}; }
using ModuleEdit = void (*)(XmModule&);

class Engine : public ::testing::Test {
protected:
    Song* song = nullptr;
    void TearDown() override { music_free(song); }

    // Two channels, one 16-row pattern, one instrument whose 8-bit sample loops 64..192; the
    // edit, then the cells.
    void load(const std::vector<Put>& cells, ModuleEdit edit = nullptr) {
        XmModule m = xm_basic_module(2);
        m.patterns = {xm_empty_pattern(m, 16)};
        if (edit) edit(m);
        for (const Put& p : cells) m.patterns[0].cells[size_t(p.row) * 2 + size_t(p.channel)] = p.cell;
        music_free(song);
        song = load_module(m);
        ASSERT_NE(song, nullptr) << music_load_error();
        ASSERT_TRUE(playback_prepare(song));
    }
};

void restart_at_1(XmModule& m) {
    m.patterns = {xm_empty_pattern(m, 3), xm_empty_pattern(m, 2)};
    m.orders = {0, 1};
    m.restart_position = 1;
}
void last_order_breaks(XmModule& m) {
    m.patterns.push_back(xm_empty_pattern(m, 8));
    m.orders = {1, 0};
    m.restart_position = 1;
}
void shorter_second(XmModule& m) {
    m.patterns.push_back(xm_empty_pattern(m, 8));
    m.orders = {0, 1};
}
void four_orders(XmModule& m) { m.orders = {0, 0, 0, 0}; }
void three_orders(XmModule& m) { m.orders = {0, 0, 0}; }

// ---- Song position, notes, the volume column and the effects -----------------------------------

enum Probe { ROW, VOL, PERIOD, PAN, DELTA, VIB, VENV, PENV, FADE, GVOL, VOICE_VOL, VOICE, POS, VOL_DELTA };

// What the probe reads of channel 0 and the song; VOICE is the sounding voice, or -1.
int32_t read(const Song* song, Probe p) {
    const ChannelState& c = channels[0];
    const int32_t values[] = {100 * song->order_pos + song->row, c.volume, c.period, c.panning, c.period_delta,
                              c.vib_pos, c.venv_out, c.penv_out, c.fadeout_volume, song->global_volume,
                              c.voice->volume, c.voice->sample ? c.voice->index : -1, c.voice->pos, c.volume_delta};
    return values[p];
}

void tune(XmModule& m) {
    m.instruments[0].samples[0].finetune = 127;
    m.instruments[0].samples[0].relative_note = -12;
}
void amiga(XmModule& m) { m.flags = 0; }
void long_sample(XmModule& m) { m.instruments[0].samples[0] = xm_test_sample(8, 2048); }
void envelopes(XmModule& m) {
    m.instruments[0].volume_envelope = m.instruments[0].panning_envelope = {{{0, 64}, {10, 0}}, ENVELOPE_ON, 0, 0, 0, {}};
}
void sustained(XmModule& m) {
    m.instruments[0].volume_envelope = {{{0, 64}, {2, 32}, {10, 0}}, ENVELOPE_ON | ENVELOPE_SUSTAIN, 1, 0, 0, {}};
    m.instruments[0].fadeout = 1024;
}
// Instrument 2 has a quieter copy of the sample; 300 goes on for rows 2..5.
void two_instruments(XmModule& m) {
    m.instruments.push_back(m.instruments[0]);
    m.instruments[1].samples[0].volume = 32;
    for (int row = 2; row < 6; ++row) m.patterns[0].cells[size_t(row) * 2] = {0, 0, 0, EFFECT_TONE_PORTA, 0};
}

const std::vector<Put> key_off = {N(0, 0, 0, 0), V(1, 0, NOTE_KEY_OFF)};
const std::vector<Put> vol_porta = {N(0, 0, 0, 0), V(1, 0xF2, C5)};
const std::vector<Put> porta = {N(0, 0x20, 0, 0), {1, 0, {C5, 2, 0, EFFECT_TONE_PORTA, 8}}};
const std::vector<Put> porta_slide = {N(0, 0, 0, 0), {1, 0, {C5, 0, 0, EFFECT_TONE_PORTA, 8}}, F(2, EFFECT_TONE_PORTA_VOLSLIDE, 0x02)};
const std::vector<Put> vibrato_slide = {N(0, 0x30, EFFECT_VIBRATO, 0x48), F(1, EFFECT_VIBRATO_VOLSLIDE, 0x20)};  // volume 32
const std::vector<Put> modes = {N(0, 0x38, EFFECT_RETRIGGER, 0x15), N(1, 0x38, EFFECT_RETRIGGER, 0x55), N(2, 0x38, EFFECT_RETRIGGER, 0x65),
                                N(3, 0x38, EFFECT_RETRIGGER, 0x75), N(4, 0x38, EFFECT_RETRIGGER, 0x85), N(5, 0x38, EFFECT_RETRIGGER, 0xB5),
                                N(6, 0x38, EFFECT_RETRIGGER, 0xE5), N(7, 0x38, EFFECT_RETRIGGER, 0xF5)};
const std::vector<Put> fine_portas = {
    N(0, 0, EFFECT_EXTENDED, 0x12),         F(1, EFFECT_EXTENDED, 0x10),         F(2, EFFECT_EXTENDED, 0x23),
    F(3, EFFECT_EXTRA_FINE_PORTA, 0x15),    F(4, EFFECT_EXTRA_FINE_PORTA, 0x27), F(5, EFFECT_EXTRA_FINE_PORTA, 0x10),
    F(6, EFFECT_EXTRA_FINE_PORTA, 0x20),    F(7, EFFECT_EXTRA_FINE_PORTA, 0x37)};

// The song position (100 x order + row) or channel 0, read after `first` ticks, then after every
// `stride` more.
TEST_F(Engine, CellsChangeTheSongAndTheChannelTickByTick) {
    const struct { const char* what; std::vector<Put> cells; Probe probe; int first, stride;
                   std::vector<int32_t> expected; ModuleEdit edit = nullptr; } cases[] = {
        // Song position
        {"speed 6 (read on each row's last tick); the restart position after the last order", {},
         ROW, 6, 6, {0, 1, 2, 100, 101, 100, 101, 100, 101}, restart_at_1},
        {"F00: a row at every tick", {F(0, EFFECT_SPEED, 0)}, ROW, 1, 1, {0, 1, 2, 3}},
        {"B03 then D10", {F(0, EFFECT_POSITION_JUMP, 3), F(0, EFFECT_PATTERN_BREAK, 0x10, 1)}, ROW, 6, 1, {0, 310}, four_orders},
        {"D10 then B03", {F(0, EFFECT_PATTERN_BREAK, 0x10), F(0, EFFECT_POSITION_JUMP, 3, 1)}, ROW, 6, 1, {0, 300}, four_orders},
        {"D64 is row 0; B past the song is order 0", {F(0, EFFECT_PATTERN_BREAK, 0x64), F(1, EFFECT_POSITION_JUMP, 9)}, ROW, 1, 6,
         {0, 100, 200, 0, 100}, three_orders},
        {"D on the last order: order 0", {F(0, EFFECT_PATTERN_BREAK, 5)}, ROW, 49, 6, {100, 5}, last_order_breaks},
        {"D past a shorter pattern: row 0", {F(0, EFFECT_PATTERN_BREAK, 0x12)}, ROW, 1, 6, {0, 100}, shorter_second},
        {"E60, E62: three times", {F(1, EFFECT_EXTENDED, 0x60), F(2, EFFECT_EXTENDED, 0x62)}, ROW, 1, 6, {0, 1, 2, 1, 2, 1, 2, 3}},
        {"EE2: three rows' ticks", {F(0, EFFECT_EXTENDED, 0xE2)}, ROW, 18, 1, {0, 1}},
        // Notes
        {"finetune 127, relative note -12", {N(0, 0, 0, 0)}, PERIOD, 1, 1, {5376 - 63}, tune},
        {"Amiga table C-4", {N(0, 0, 0, 0)}, PERIOD, 1, 1, {1712}, amiga},
        {"key-off without volume envelope", key_off, VOICE_VOL, 6, 1, {127, 0}},
        {"K00", {N(0, 0, 0, 0), F(1, EFFECT_KEY_OFF, 0)}, VOICE_VOL, 6, 1, {127, 0}},
        {"key-off: envelope past sustain", key_off, VENV, 6, 2, {32, 28, 20}, sustained},
        {"key-off: fade-out doubled, to 0", key_off, FADE, 7, 39, {65536 - 2048, 0}, sustained},
        {"9xx; none for a later note", {N(0, 0, EFFECT_SAMPLE_OFFSET, 2), F(1, EFFECT_SAMPLE_OFFSET, 3), N(2, 0, 0, 0),
          {3, 0, {C4, 0, 0, EFFECT_SAMPLE_OFFSET, 0}}}, POS, 1, 6,
         {512, 512, 0, 768}, long_sample},
        {"9xx at or past the loop end (256 >= 192) rewinds the playing voice", {N(0, 0, 0, 0), N(1, 0, EFFECT_SAMPLE_OFFSET, 1)}, VOICE, 6,
         1, {0, 0}},
        {"ED2 starts the note on tick 2", {N(0, 0x30, EFFECT_EXTENDED, 0xD2)}, VOICE, 1, 1, {-1, -1, 0}},
        {"ED2 with volume column", {N(0, 0x30, EFFECT_EXTENDED, 0xD2)}, VOL, 1, 1, {0, 0, 32}},
        {"ED0 plays at once, once", {N(0, 0, EFFECT_EXTENDED, 0xD0)}, VOICE, 1, 1, {0, 0, 0, 0, 0, 0}},
        {"ED7 never plays", {N(0, 0, EFFECT_EXTENDED, 0xD7)}, VOICE, 1, 1, {-1, -1, -1, -1, -1, -1, -1}},
        // The kept instrument and sample; the cell's instrument resets the volume from that sample.
        {"3xx keeps instrument 1", porta, VOL, 7, 1, {64}, two_instruments},
        {"3xx keeps the period, then reaches the note", porta, PERIOD, 7, 29, {4608, 3840}, two_instruments},
        {"3xx never restarts", porta, VOICE, 7, 30, {0, 0}, two_instruments},
        // The volume column
        // Unlike the reference players, which slide on five ticks of six at speed 6.
        {"6x also on tick 0", {N(0, 0x63, 0, 0)}, VOL, 1, 5, {61, 64 - 6 * 3}},
        {"8x, 9x on tick 0 only", {N(0, 0x83, 0, 0), V(1, 0x95)}, VOL, 6, 1, {61, 64}},
        {"Cx; Ex past 255, then Dx, on every tick from tick 0", {N(0, 0xCF, 0, 0), V(1, 0xE9), V(2, 0xDF)}, PAN, 7, 1,
         {249, 258, 267, 276, 285, 294, 279, 264}},
        {"Fx sets the pitch at once", vol_porta, PERIOD, 7, 1, {3840}},
        {"Fx does not restart", vol_porta, VOICE, 7, 1, {0}},
        {"Ax speed, Bx depth", {N(0, 0xA4, 0, 0), V(1, 0xB8)}, DELTA, 8, 1, {0, -24}},
        // Effects at the first tick of a row
        {"C80 is not clamped", {N(0, 0, EFFECT_SET_VOLUME, 80)}, VOICE_VOL, 1, 1, {159}},
        {"Gxx, at most 64", {F(0, EFFECT_GLOBAL_VOLUME, 0x20), F(1, EFFECT_GLOBAL_VOLUME, 99)}, GVOL, 1, 6, {32, 64}},
        {"EBy, EAy: shared memory, at most 64",
         {N(0, 0, EFFECT_EXTENDED, 0xB5), F(1, EFFECT_EXTENDED, 0xB0), F(2, EFFECT_EXTENDED, 0xA0), F(3, EFFECT_EXTENDED, 0xAF)}, VOL, 6, 6,
         {59, 54, 59, 64}},
        {"E1y, E2y, X1y, X2y with memories; X3y does nothing", fine_portas, PERIOD, 6, 6,
         {4600, 4592, 4604, 4599, 4606, 4601, 4608, 4608}},
        {"8xx", {N(0, 0, EFFECT_SET_PANNING, 0x40), F(1, EFFECT_SET_PANNING, 0xC0)}, PAN, 1, 6, {0x40, 0xC0}},
        {"E8y: 16 y", {N(0, 0, EFFECT_EXTENDED, 0x84), F(1, EFFECT_EXTENDED, 0x8F)}, PAN, 1, 6, {64, 240}},
        {"E58 for later notes", {N(0, 0, EFFECT_EXTENDED, 0x58), N(1, 0, 0, 0)}, PERIOD, 7, 1, {4608 - 4}},
        {"L05 moves the volume envelope", {N(0, 0, EFFECT_ENVELOPE_POSITION, 5)}, VENV, 1, 1, {32}, envelopes},
        {"L05 leaves the panning one", {N(0, 0, EFFECT_ENVELOPE_POSITION, 5)}, PENV, 1, 1, {64}, envelopes},
        {"E44 keeps the vibrato position", {N(0, 0, EFFECT_EXTENDED, 0x44), F(1, EFFECT_VIBRATO, 0x48), N(2, 0, 0, 0)}, VIB, 12, 1, {20, 20}},
        {"an instrument resets it", {N(0, 0, EFFECT_VIBRATO, 0x48), N(1, 0, 0, 0)}, VIB, 6, 1, {20, 0}},
        // Effects on the ticks after the first
        {"arpeggio, linear", {N(0, 0, EFFECT_ARPEGGIO, 0x37)}, DELTA, 1, 1, {0, 192, 448, 0, 192, 448}},
        {"arpeggio, Amiga", {N(0, 0, EFFECT_ARPEGGIO, 0x37)}, DELTA, 2, 1, {1439 - 1712, 1142 - 1712}, amiga},
        {"1FF down to 56", {{0, 0, {85, 1, 0, EFFECT_PORTA_UP, 0xFF}}}, PERIOD, 1, 1, {2304, 1284, 264, 56}},
        {"210, 200", {N(0, 0, EFFECT_PORTA_DOWN, 0x10), F(1, EFFECT_PORTA_DOWN, 0)}, PERIOD, 6, 6, {4928, 5248}},
        {"448 applies, then advances", {N(0, 0, EFFECT_VIBRATO, 0x48)}, DELTA, 1, 1, {0, 0, -24}},
        {"308, 502 by 32 a tick", porta_slide, PERIOD, 12, 6, {4608 - 5 * 32, 4608 - 10 * 32}},
        {"502 slides the volume", porta_slide, VOL, 18, 1, {64 - 10}},
        // Ten advances of 4 from 0 wrap once: 20 + 20 - 64.
        {"620 goes on with the vibrato", vibrato_slide, VIB, 12, 1, {-24}},
        {"620 slides the volume", vibrato_slide, VOL, 12, 1, {32 + 10}},
        {"E72: square tremolo", {N(0, 0x20, EFFECT_EXTENDED, 0x72), F(1, EFFECT_TREMOLO, 0x84)}, VOL_DELTA, 8, 1,
         {15, 15, 15, 15, -15}},
        {"the last tremolo offset stays", {N(0, 0x20, EFFECT_TREMOLO, 0x8F), F(0, EFFECT_SPEED, 3, 1)}, VOL, 3, 1, {16, 58}},
        {"A30, A00, A07", {N(0, 0x28, EFFECT_VOLUME_SLIDE, 0x30), F(1, EFFECT_VOLUME_SLIDE, 0), F(2, EFFECT_VOLUME_SLIDE, 7)}, VOL, 6, 6, {39, 54, 19}},
        {"EE2 keeps the tick effects on", {N(0, 0, EFFECT_VOLUME_SLIDE, 1), F(0, EFFECT_EXTENDED, 0xE2, 1)}, VOL, 18, 1, {47}},
        {"E92 alternates voices", {N(0, 0, EFFECT_EXTENDED, 0x92)}, VOICE, 1, 1, {0, 0, 32, 32, 0, 0}},
        {"R33 on tick 3 only", {N(0, 0, EFFECT_RETRIGGER, 0x33)}, VOICE, 1, 1, {0, 0, 0, 32, 32, 32}},
        {"R modes 1, 5, 6, 7, 8, B, E, F from 40, clamped", modes, VOL, 6, 6, {39, 24, 26, 20, 40, 44, 60, 64}},
        {"EC3 cuts on tick 3", {N(0, 0, EFFECT_EXTENDED, 0xC3)}, VOL, 3, 1, {64, 0}},
        {"EC0 never cuts", {N(0, 0, EFFECT_EXTENDED, 0xC0)}, VOL, 6, 1, {64}},
        {"H05, H00, HF0", {F(0, EFFECT_GLOBAL_VOLUME_SLIDE, 5), F(1, EFFECT_GLOBAL_VOLUME_SLIDE, 0), F(2, EFFECT_GLOBAL_VOLUME_SLIDE, 0xF0)}, GVOL, 6, 6, {39, 14, 64}},
        {"P40, P0F within 0..255", {N(0, 0xCF, EFFECT_PANNING_SLIDE, 0x40), F(1, EFFECT_PANNING_SLIDE, 0x0F)}, PAN, 6, 6, {255, 180}},
        {"T11", {N(0, 0, EFFECT_TREMOR, 0x11)}, VOICE_VOL, 1, 1, {127, 127, 0, 0, 127, 127}},
    };
    for (const auto& c : cases) {
        ASSERT_NO_FATAL_FAILURE(load(c.cells, c.edit)) << c.what;
        std::vector<int32_t> seen;
        for (size_t k = 0; k < c.expected.size(); ++k) {
            for (int t = k == 0 ? c.first : c.stride; t > 0; --t) song_tick(song);
            seen.push_back(read(song, c.probe));
        }
        EXPECT_EQ(seen, c.expected) << c.what;
    }
}

// ---- Any input stays in bounds ----------------------------------------------------------------

// A tick, after which the position lies inside the song and every channel's voice, envelope and
// panning in range.
void checked_tick(Song* song) {
    song_tick(song);
    ASSERT_LT(song->order_pos, song->song_length);
    ASSERT_LT(song->row, song->patterns[song->order_table[song->order_pos]].rows);
    for (int c = 0; c < song->channel_count; ++c) {
        const ChannelState& ch = channels[c];
        ASSERT_TRUE(ch.voice >= &voices[0] && ch.voice < &voices[64] && ch.venv_out >= 0 && ch.venv_out <= 64 &&
                    ch.voice->panning >= 0 && ch.voice->panning <= 255) << c;
    }
}

// Four channels, three patterns of 32, 5 and 64 rows in five orders, a looped volume envelope,
// autovibrato, and cells of random notes, instruments (2 to 4 are missing: they play the silent
// dummy), volume bytes and effects.
TEST_F(Engine, RandomCellsKeepThePositionAndVoicesInBounds) {
    load({}, [](XmModule& m) {
        uint32_t seed = 12345;
        auto next = [&seed](uint32_t range) { return uint8_t(((seed = seed * 1664525u + 1013904223u) >> 8) % range); };
        m.channel_count = 4;
        m.patterns = {xm_empty_pattern(m, 32), xm_empty_pattern(m, 5), xm_empty_pattern(m, 64)};
        m.orders = {0, 1, 2, 1, 0};
        m.instruments[0].volume_envelope = {{{0, 64}, {3, 10}, {9, 40}, {20, 0}}, ENVELOPE_ON | ENVELOPE_SUSTAIN | ENVELOPE_LOOP, 0, 1, 2, {}};
        m.instruments[0].vibrato_depth = 15, m.instruments[0].vibrato_rate = 40;
        for (XmPattern& pattern : m.patterns)
            for (NoteCell& cell : pattern.cells)
                cell = {uint8_t(next(4) == 0 ? 1 + next(97) : 0), uint8_t(next(3) == 0 ? next(5) : 0),
                        uint8_t(next(2) == 0 ? next(256) : 0), next(36), next(256)};
    });
    for (int tick = 0; tick < 20000 && !HasFatalFailure(); ++tick) checked_tick(song);
}

// The real songs through the block renderer, their first two minutes hashed (FNV-1a over every
// block's 16-bit frames and stamp): any change to what the player or the mixer make of them
// changes a hash. Pinned from the renders that follow the reference players (see
// tests/audio/openmpt_compare_test.cpp). Prepared again, a song starts over: its voices, channels,
// position, speed and clock play and count as they did the first time. One test per song, so that
// the songs can run side by side.
class EngineSongs : public testing::TestWithParam<size_t> {};

TEST_P(EngineSongs, PlayInBoundsAndRenderToTheirPinnedHashesEachTimeTheyArePrepared) {
    const uint64_t pinned[] = {14752093971643977225ull, 17181733475603185378ull, 6328850863192010091ull,
                               203838318503295393ull};
    static_assert(std::size(pinned) == std::size(test_songs));
    const size_t s = GetParam();
    music_set_file_callbacks(file_open, file_close, file_read, file_seek, file_tell);
    Song* song = music_load((testdata_dir() / test_songs[s]).string().c_str(), nullptr);
    ASSERT_NE(song, nullptr) << music_load_error();
    song->tick_callback = checked_tick;
    for (int pass = 0; pass < 2; ++pass) {
        ASSERT_TRUE(playback_prepare(song));
        uint64_t hash = 14695981039346656037ull;
        for (int b = 0; b < 120 * 50 && !testing::Test::HasFatalFailure(); ++b) {
            const uint8_t* block = reinterpret_cast<const uint8_t*>(wave_buffer + 2 * size_t(write_block) * size_t(block_frames));
            const BlockStamp& stamp = block_stamps[write_block];
            render_next_block();
            for (size_t k = 0; k < 4 * size_t(block_frames); ++k) hash = (hash ^ block[k]) * 1099511628211ull;
            for (int32_t v : {int32_t{stamp.order}, int32_t{stamp.row}, stamp.time}) hash = (hash ^ uint32_t(v)) * 1099511628211ull;
        }
        EXPECT_EQ(hash, pinned[s]) << "pass " << pass << ": " << hash;
    }
    music_free(song);
}

// Named by their files: drozerix_crush_xm and so on.
INSTANTIATE_TEST_SUITE_P(RealSongs, EngineSongs, testing::Range(size_t{0}, std::size(test_songs)),
                         [](const testing::TestParamInfo<size_t>& info) {
                             std::string name = test_songs[info.param];
                             for (char& c : name) c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                             return name;
                         });

}  // namespace
