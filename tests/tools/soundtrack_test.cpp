// The embedded soundtrack: the frame the show is built around, a composition that uses every
// channel in one key, an export that plays exactly like the program, and its time map.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <vector>

#include "synth/synth.h"
#include "tests/support/modules.h"
#include "tools/soundtrack.h"

namespace {

constexpr uint8_t ORDERS[54] = {5, 6, 8, 9, 7, 10, 0, 1, 2, 3, 4, 3, 13, 13, 13, 3, 4, 4, 3, 2, 3, 3, 4, 4, 1, 2, 3,
                                3, 4, 4, 2, 3, 3, 4, 12, 12, 4, 4, 3, 3, 3, 3, 3, 2, 3, 4, 4, 3, 2, 3, 4, 4, 4, 11};
constexpr int32_t ROWS[15] = {64, 64, 16, 16, 16, 64, 64, 64, 64, 64, 64, 96, 56, 16, 64};

// Stereo 16-bit PCM of the song's first `frames` frames from the block renderer.
std::vector<int16_t> render_pcm(Song* song, int64_t frames) {
    std::vector<int16_t> pcm;
    if (!song || !playback_prepare(song)) return pcm;
    while (int64_t(pcm.size()) < 2 * frames) {
        const int16_t* block = wave_buffer + 2 * size_t(write_block) * size_t(block_frames);
        render_next_block();
        pcm.insert(pcm.end(), block, block + 2 * block_frames);
    }
    playback_release();
    return pcm;
}

TEST(Soundtrack, ModuleHasTheFixedFrame) {
    Song* song = load_bytes(soundtrack_module());
    ASSERT_NE(song, nullptr) << music_load_error();
    EXPECT_EQ(song->song_length, 54);
    EXPECT_EQ(song->restart_position, 0);
    EXPECT_EQ(song->channel_count, 10);
    EXPECT_EQ(song->pattern_count, 15);
    EXPECT_EQ(song->instrument_count, 6);
    EXPECT_EQ(song->song_flags, 1);
    EXPECT_EQ(song->default_tempo, 6);
    EXPECT_EQ(song->default_bpm, 130);
    EXPECT_TRUE(std::equal(ORDERS, ORDERS + 54, song->order_table));
    for (int p = 0; p < 15; ++p) EXPECT_EQ(song->patterns[p].rows, ROWS[p]) << "pattern " << p;

    struct Env { EnvelopePoint points[5]; uint8_t count, type, sustain, loop_start, loop_end; };
    const Env flat_volume = {{{0, 64}, {32, 64}}, 2, 0, 0, 0, 0}, centred = {{{0, 32}, {32, 32}}, 2, 0, 0, 0, 0};
    const struct {
        uint32_t length; uint8_t loop_type; uint32_t loop_start, loop_length;
        uint8_t volume; int8_t finetune; int32_t panning; Env volume_env, panning_env; uint16_t fadeout;
    } instruments[6] = {
        {22050, LOOP_NONE, 0, 22050, 64, -28, 255, flat_volume, centred, 32767},
        {22050, LOOP_NONE, 0, 22050, 47, -28, 128, {{{0, 64}, {20, 20}, {42, 0}}, 3, 1, 0, 0, 0}, centred, 32767},
        {22050, LOOP_FORWARD, 479, 18884, 30, 0, 255, {{{0, 64}, {11, 62}, {32, 0}}, 3, 1, 0, 0, 0},
         {{{0, 32}, {5, 40}, {12, 23}, {25, 33}}, 4, 1, 0, 0, 0}, 32767},
        {26460, LOOP_PINGPONG, 2639, 14624, 43, 4, 138, {{{0, 45}, {13, 25}}, 2, 3, 0, 0, 0},
         {{{0, 32}, {17, 46}, {30, 19}, {49, 31}, {65, 32}}, 5, 4, 0, 0, 3}, 257},
        {22050, LOOP_NONE, 0, 22050, 31, -28, 134, flat_volume, centred, 32767},
        {114660, LOOP_PINGPONG, 289, 114371, 64, 3, 255, {{{0, 64}, {8, 25}, {22, 29}, {34, 11}, {48, 30}}, 5, 7, 0, 2, 4},
         {{{0, 32}, {8, 58}, {26, 6}, {41, 32}}, 4, 5, 0, 1, 3}, 225},
    };
    for (int i = 0; i < 6; ++i) {
        const Instrument& ins = song->instruments[i];
        const auto& want = instruments[i];
        ASSERT_EQ(ins.sample_count, 1) << "instrument " << i;
        const SampleHeader& s = *ins.samples[0];
        EXPECT_EQ(s.bits, 16);
        EXPECT_EQ(s.length, want.length);
        EXPECT_EQ(s.loop_type, want.loop_type);
        EXPECT_EQ(s.loop_start, want.loop_start);
        EXPECT_EQ(s.loop_length, want.loop_length);
        EXPECT_EQ(s.volume, want.volume);
        EXPECT_EQ(s.finetune, want.finetune);
        EXPECT_EQ(s.panning, want.panning);
        EXPECT_EQ(s.relative_note, 29);
        EXPECT_TRUE(std::all_of(s.data, s.data + s.length, [](int16_t v) { return v == 0; })) << "instrument " << i;
        EXPECT_TRUE(std::all_of(ins.keymap, ins.keymap + 96, [](uint8_t k) { return k == 0; }));
        EXPECT_EQ(ins.vibrato_type | ins.vibrato_sweep | ins.vibrato_depth | ins.vibrato_rate, 0);
        EXPECT_EQ(ins.fadeout, uint16_t(2 * want.fadeout));
        const struct { const EnvelopePoint* points; uint8_t count, type, sustain, loop_start, loop_end; const Env& want; } envs[] = {
            {ins.vol_env, ins.vol_point_count, ins.vol_type, ins.vol_sustain, ins.vol_loop_start, ins.vol_loop_end, want.volume_env},
            {ins.pan_env, ins.pan_point_count, ins.pan_type, ins.pan_sustain, ins.pan_loop_start, ins.pan_loop_end, want.panning_env},
        };
        for (const auto& e : envs) {
            ASSERT_EQ(e.count, e.want.count) << "instrument " << i;
            for (size_t k = 0; k < e.want.count; ++k) {
                EXPECT_EQ(e.points[k].x, e.want.points[k].x) << "instrument " << i << " point " << k;
                EXPECT_EQ(e.points[k].y, e.want.points[k].y) << "instrument " << i << " point " << k;
            }
            EXPECT_EQ(e.type, e.want.type) << "instrument " << i;
            EXPECT_EQ(e.sustain, e.want.sustain);
            EXPECT_EQ(e.loop_start, e.want.loop_start);
            EXPECT_EQ(e.loop_end, e.want.loop_end);
        }
    }
    music_free(song);
}

// Every channel plays; the pitched instruments (pluck, strings, pad) play only notes of A minor.
TEST(Soundtrack, EveryChannelPlaysAndTheMelodyStaysInKey) {
    Song* song = load_bytes(soundtrack_module());
    ASSERT_NE(song, nullptr);
    const std::set<int> a_minor = {9, 11, 0, 2, 4, 5, 7};  // semitones above C
    std::set<int> channels_used;
    for (int order = 0; order < song->song_length; ++order) {
        const Pattern& p = song->patterns[song->order_table[order]];
        for (int k = 0; k < p.rows * song->channel_count; ++k) {
            const NoteCell& c = p.cells[k];
            if (c.note == 0 || c.note == NOTE_KEY_OFF) continue;
            channels_used.insert(k % song->channel_count);
            bool pitched = c.instrument == 3 || c.instrument == 4 || c.instrument == 6;
            EXPECT_TRUE(!pitched || a_minor.count((c.note - 1) % 12))
                << "order " << order << " row " << k / song->channel_count << " note " << int(c.note);
        }
    }
    EXPECT_EQ(channels_used.size(), 10u);
    music_free(song);
}

TEST(Soundtrack, ExportedModulePlaysExactlyLikeTheProgram) {
    ASSERT_TRUE(soundtrack_synthesize());
    Song* program = soundtrack_load();
    ASSERT_NE(program, nullptr) << music_load_error();
    int64_t frames = int64_t(170) * 44100;  // past the show's end
    std::vector<int16_t> heard = render_pcm(program, frames);
    music_free(program);
    std::vector<uint8_t> exported = soundtrack_export();
    synth_slots_free();
    Song* song = load_bytes(exported);
    ASSERT_NE(song, nullptr) << music_load_error();
    std::vector<int16_t> played = render_pcm(song, frames);
    music_free(song);
    ASSERT_EQ(heard.size(), played.size());
    EXPECT_TRUE(std::any_of(heard.begin(), heard.end(), [](int16_t v) { return v != 0; }));
    EXPECT_TRUE(heard == played) << "first difference at sample "
                                 << std::mismatch(heard.begin(), heard.end(), played.begin()).first - heard.begin();
}

TEST(Soundtrack, ExportRefusesAModuleCutShort) {
    std::vector<uint8_t> module = soundtrack_module();
    for (size_t size : {size_t(40), size_t(100), size_t(2000), module.size() / 2, module.size() - 1}) {
        std::vector<uint8_t> cut(module.begin(), module.begin() + std::ptrdiff_t(size));
        std::vector<uint8_t> before = cut;
        EXPECT_FALSE(xm_store_samples(cut, synth_fill_sample)) << "cut at " << size;
        EXPECT_EQ(cut, before);
    }
}

// The clock a block renderer keeps: pieces end at every tick (848 frames at 130 BPM) and every
// block (884 frames), and each adds its frames' milliseconds truncated to a whole number.
TEST(Soundtrack, OrderStartsMatchACountOfTicksAndPieces) {
    Song* song = load_bytes(soundtrack_module());
    ASSERT_NE(song, nullptr);
    std::vector<OrderStart> starts = song_order_starts(song);
    music_free(song);
    ASSERT_EQ(starts.size(), 54u);
    int64_t tick_start = 0, frame = 0, clock = 0;
    for (int order = 0; order < 54; ++order) {
        for (; frame < tick_start; ) {
            int64_t piece_end = std::min((frame / 848 + 1) * 848, (frame / 884 + 1) * 884);
            clock += int32_t(float(piece_end - frame) * (1.0f / 44100.0f) * 1000.0f);
            frame = piece_end;
        }
        EXPECT_EQ(starts[order].order, order);
        EXPECT_EQ(starts[order].pattern, ORDERS[order]);
        EXPECT_EQ(starts[order].time_ms, clock) << "order " << order;
        tick_start += int64_t(ROWS[ORDERS[order]]) * 6 * 848;
    }
}

}  // namespace
