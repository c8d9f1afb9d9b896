// The embedded soundtrack: the module pinned byte for byte, an export that refuses a damaged module,
// and its time map.
#include <gtest/gtest.h>

#include <algorithm>
#include <span>
#include <vector>

#include "synth/synth.h"
#include "tests/support/modules.h"
#include "tools/soundtrack.h"

namespace {

// The patterns' lengths as the module declares them.
constexpr int32_t ROWS[15] = {64, 64, 16, 16, 16, 64, 64, 64, 64, 64, 64, 96, 56, 16, 64};

// FNV-1a over the embedded module's bytes: any change to its frame (channels, tempo, orders,
// pattern lengths, instruments with their loops and envelopes) or to any cell of its text changes
// it. Pinned from the module whose frame was checked field by field and whose ten channels all
// play, the pluck, strings and pad only in A minor. A copy cut short is refused by the export and
// left as it was, even where the instruments before the cut could have been stored. (The export
// of the whole module is checked end to end: it plays exactly like the program.)
TEST(Soundtrack, ModuleIsPinnedByteForByteAndItsExportRefusesACopyCutShort) {
    const std::vector<uint8_t> module = soundtrack_module();
    uint64_t hash = 14695981039346656037ull;
    for (uint8_t byte : module) hash = (hash ^ byte) * 1099511628211ull;
    EXPECT_EQ(hash, 15751553269560033481ull) << hash;
    ASSERT_TRUE(soundtrack_synthesize());
    for (size_t size : {size_t(40), size_t(100), size_t(2000), module.size() / 2, module.size() - 1}) {
        std::vector<uint8_t> cut(module.begin(), module.begin() + std::ptrdiff_t(size));
        EXPECT_FALSE(xm_store_samples(cut, synth_fill_sample)) << "cut at " << size;
        EXPECT_TRUE(cut.size() == size && std::equal(cut.begin(), cut.end(), module.begin())) << "cut at " << size;
    }
    synth_slots_free();
}

// As the loader reads it: every finetune (the pad's is odd), no autovibrato anywhere and every
// pattern's length (the one of 96 rows plays last, where the clock below no longer sees it). And the
// clock a block renderer keeps: pieces end at every tick (848 frames at 130 BPM) and every block
// (884 frames), and each adds its frames' milliseconds truncated to a whole number.
TEST(Soundtrack, LoadsAsDeclaredAndOrdersStartAtACountOfTicksAndPieces) {
    Song* song = load_bytes(soundtrack_module());
    ASSERT_NE(song, nullptr) << music_load_error();
    std::vector<int> loaded;
    for (const Instrument& ins : std::span(song->instruments, 6)) {
        loaded.insert(loaded.end(), {ins.samples[0]->finetune,
                                     ins.vibrato_type | ins.vibrato_sweep | ins.vibrato_depth | ins.vibrato_rate});
    }
    EXPECT_EQ(loaded, (std::vector<int>{-28, 0, -28, 0, 0, 0, 4, 0, -28, 0, 3, 0}));
    for (int p = 0; p < 15; ++p) EXPECT_EQ(song->patterns[p].rows, ROWS[p]) << "pattern " << p;
    std::vector<OrderStart> starts = song_order_starts(song);
    ASSERT_EQ(starts.size(), 54u);
    int64_t tick_start = 0, frame = 0, clock = 0;
    for (int order = 0; order < 54; ++order) {
        for (; frame < tick_start; ) {
            int64_t piece_end = std::min((frame / 848 + 1) * 848, (frame / 884 + 1) * 884);
            clock += int32_t(float(piece_end - frame) * (1.0f / 44100.0f) * 1000.0f);
            frame = piece_end;
        }
        EXPECT_EQ((std::vector<int>{starts[order].order, starts[order].pattern, starts[order].time_ms}),
                  (std::vector<int>{order, song->order_table[order], int(clock)})) << "order " << order;
        tick_start += int64_t(ROWS[song->order_table[order]]) * 6 * 848;
    }
    music_free(song);
}

}  // namespace
