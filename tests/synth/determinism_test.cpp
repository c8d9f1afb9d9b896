// Guards the rendered instruments bit for bit: any change to any sample of the shipped program's
// six slots changes these hashes. Pinned from the straightforward render before optimisation.
#include <bit>

#include "synth_test_support.h"

// FNV-1a over the slot's length and the bit pattern of every sample, byte by byte.
static uint64_t slot_hash(int slot) {
    uint64_t hash = 14695981039346656037ull;
    std::vector<uint64_t> words = {uint64_t(synth_slot_length(slot))};
    for (int32_t i = 0; i < synth_slot_length(slot); i++) words.push_back(std::bit_cast<uint64_t>(synth_slot_samples(slot)[i]));
    for (uint64_t word : words)
        for (int b = 0; b < 8; b++) hash = (hash ^ ((word >> (8 * b)) & 0xFF)) * 1099511628211ull;
    return hash;
}

using ShippedRender = SynthSlots;

// Both renders match the hashes: a render hands back its work slot and delay lines and starts its
// delay position afresh, so a second one (which would otherwise start where the first left it)
// repeats the first exactly.
TEST_F(ShippedRender, EverySlotMatchesItsPinnedHashRenderAfterRender) {
    const uint64_t pinned[SYNTH_INSTRUMENT_COUNT] = {16264225229170344060ull, 10370481206278541167ull, 9313300831188677668ull,
                                                     6551316892762999433ull, 6039625624130042387ull, 12426828329180072451ull};
    for (int render = 0; render < 2; render++) {
        ASSERT_TRUE(synth_render_all());
        for (int slot = 1; slot <= SYNTH_INSTRUMENT_COUNT; slot++) EXPECT_EQ(slot_hash(slot), pinned[slot - 1]) << "slot " << slot;
        EXPECT_EQ(synth_slot_length(0), 0);
        for (double* line : delay_lines) EXPECT_EQ(line, nullptr);
    }
}
