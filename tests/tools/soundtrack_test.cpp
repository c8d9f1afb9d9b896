// The embedded soundtrack: the frame the show is built around, with an export that refuses a
// damaged copy, a composition that uses every channel in one key, and its time map.
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

// An instrument's frame as numbers: its sample's bits, relative note, length, loop type, loop start
// and length, volume, finetune and panning, the fadeout as loaded (twice the file's), then the
// volume and the panning envelope, each as its point count, type, sustain and loop points and
// its (x, y) points.
std::vector<int> instrument_frame(const Instrument& ins) {
    const SampleHeader& s = *ins.samples[0];
    std::vector<int> frame = {s.bits, s.relative_note, int(s.length), s.loop_type, int(s.loop_start),
                              int(s.loop_length), s.volume, s.finetune, s.panning, ins.fadeout};
    const auto add = [&frame](const EnvelopePoint* points, int count, std::initializer_list<int> type_sustain_loop) {
        frame.push_back(count);
        frame.insert(frame.end(), type_sustain_loop);
        for (int k = 0; k < count; ++k) frame.insert(frame.end(), {points[k].x, points[k].y});
    };
    add(ins.vol_env, ins.vol_point_count, {ins.vol_type, ins.vol_sustain, ins.vol_loop_start, ins.vol_loop_end});
    add(ins.pan_env, ins.pan_point_count, {ins.pan_type, ins.pan_sustain, ins.pan_loop_start, ins.pan_loop_end});
    return frame;
}

TEST(Soundtrack, ModuleHasTheFixedFrameAndItsExportRefusesACopyCutShort) {
    const std::vector<uint8_t> module = soundtrack_module();
    Song* song = load_bytes(module);
    ASSERT_NE(song, nullptr) << music_load_error();
    EXPECT_EQ((std::vector<int>{song->song_length, song->restart_position, song->channel_count, song->pattern_count,
                                song->instrument_count, song->song_flags, song->default_tempo, song->default_bpm}),
              (std::vector<int>{54, 0, 10, 15, 6, 1, 6, 130}));
    // The order list is checked, order by order, by OrderStartsMatchACountOfTicksAndPieces.
    for (int p = 0; p < 15; ++p) EXPECT_EQ(song->patterns[p].rows, ROWS[p]) << "pattern " << p;
    const std::vector<int> instruments[6] = {
        {16, 29, 22050, LOOP_NONE, 0, 22050, 64, -28, 255, 65534, 2, 0, 0, 0, 0, 0, 64, 32, 64,
         2, 0, 0, 0, 0, 0, 32, 32, 32},
        {16, 29, 22050, LOOP_NONE, 0, 22050, 47, -28, 128, 65534, 3, 1, 0, 0, 0, 0, 64, 20, 20, 42, 0,
         2, 0, 0, 0, 0, 0, 32, 32, 32},
        {16, 29, 22050, LOOP_FORWARD, 479, 18884, 30, 0, 255, 65534, 3, 1, 0, 0, 0, 0, 64, 11, 62, 32, 0,
         4, 1, 0, 0, 0, 0, 32, 5, 40, 12, 23, 25, 33},
        {16, 29, 26460, LOOP_PINGPONG, 2639, 14624, 43, 4, 138, 514, 2, 3, 0, 0, 0, 0, 45, 13, 25,
         5, 4, 0, 0, 3, 0, 32, 17, 46, 30, 19, 49, 31, 65, 32},
        {16, 29, 22050, LOOP_NONE, 0, 22050, 31, -28, 134, 65534, 2, 0, 0, 0, 0, 0, 64, 32, 64,
         2, 0, 0, 0, 0, 0, 32, 32, 32},
        {16, 29, 114660, LOOP_PINGPONG, 289, 114371, 64, 3, 255, 450,
         5, 7, 0, 2, 4, 0, 64, 8, 25, 22, 29, 34, 11, 48, 30,
         4, 5, 0, 1, 3, 0, 32, 8, 58, 26, 6, 41, 32},
    };
    for (int i = 0; i < 6; ++i) {
        const Instrument& ins = song->instruments[i];
        ASSERT_EQ(ins.sample_count, 1) << "instrument " << i;
        EXPECT_EQ(instrument_frame(ins), instruments[i]) << "instrument " << i;
        // No sample data (the synthesizer fills it in), no keymap and no vibrato.
        const SampleHeader& s = *ins.samples[0];
        EXPECT_TRUE(std::all_of(s.data, s.data + s.length, [](int16_t v) { return v == 0; })) << "instrument " << i;
        EXPECT_TRUE(std::all_of(ins.keymap, ins.keymap + 96, [](uint8_t k) { return k == 0; }));
        EXPECT_EQ(ins.vibrato_type | ins.vibrato_sweep | ins.vibrato_depth | ins.vibrato_rate, 0);
    }
    music_free(song);
    // A copy cut short is refused and left as it was, even where the instruments before the cut
    // could have been stored. (The export of the whole module is checked end to end: it plays
    // exactly like the program.)
    ASSERT_TRUE(soundtrack_synthesize());
    for (size_t size : {size_t(40), size_t(100), size_t(2000), module.size() / 2, module.size() - 1}) {
        std::vector<uint8_t> cut(module.begin(), module.begin() + std::ptrdiff_t(size));
        EXPECT_FALSE(xm_store_samples(cut, synth_fill_sample)) << "cut at " << size;
        EXPECT_TRUE(cut.size() == size && std::equal(cut.begin(), cut.end(), module.begin())) << "cut at " << size;
    }
    synth_slots_free();
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
        EXPECT_EQ((std::vector<int>{starts[order].order, starts[order].pattern, starts[order].time_ms}),
                  (std::vector<int>{order, ORDERS[order], int(clock)})) << "order " << order;
        tick_start += int64_t(ROWS[ORDERS[order]]) * 6 * 848;
    }
}

}  // namespace
