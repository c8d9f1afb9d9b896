// The embedded soundtrack: the module pinned as built, with an export that refuses a
// damaged copy, a composition that uses every channel in one key, and its time map.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <vector>

#include "synth/synth.h"
#include "tests/support/modules.h"
#include "tools/soundtrack/soundtrack.h"

namespace {

TEST(Soundtrack, ModuleIsPinnedAndItsExportRefusesACopyCutShort) {
    const std::vector<uint8_t> module = soundtrack_module();
    // FNV-1a over the module as built from its text: any change to an order, a cell or an
    // instrument's frame changes it (the loader's tests pin how each field is read).
    uint64_t hash = 14695981039346656037ull;
    for (uint8_t byte : module) hash = (hash ^ byte) * 1099511628211ull;
    EXPECT_EQ(hash, 15751553269560033481ull);
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

// The time map: one start per order, in the order table's order, on a clock that only rises; the
// times, which the show's scenes were placed by, are pinned by their FNV-1a.
TEST(Soundtrack, EveryOrderStartsOnceInTurnAtItsPinnedTime) {
    Song* song = load_bytes(soundtrack_module());
    ASSERT_NE(song, nullptr);
    const std::vector<OrderStart> starts = song_order_starts(song);
    ASSERT_EQ(starts.size(), 54u);
    uint64_t hash = 14695981039346656037ull;
    for (int order = 0; order < 54; ++order) {
        EXPECT_TRUE(starts[order].order == order && starts[order].pattern == song->order_table[order]) << order;
        EXPECT_TRUE(order == 0 ? starts[0].time_ms == 0 : starts[order].time_ms > starts[order - 1].time_ms) << order;
        hash = (hash ^ uint32_t(starts[order].time_ms)) * 1099511628211ull;
    }
    EXPECT_EQ(hash, 5747106928362396133ull);
    music_free(song);
}

}  // namespace
