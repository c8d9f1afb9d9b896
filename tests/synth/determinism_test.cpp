// Guards the rendered instruments bit for bit: any change to any sample of the shipped program's
// six slots changes these hashes. Pinned from the straightforward render before optimisation.
// The doubles follow the C library's sin, cos and exp to the last bit, so they are pinned for
// glibc and, apart, for WebAssembly's libm (musl), which differs from glibc in the last bits; the
// 16-bit samples the player takes are the same on every platform.
#include <cstring>

#include "synth_test_support.h"

#ifdef _WIN32
constexpr bool doubles_pinned = false;  // mingw's libm differs from glibc in the last bits
#else
constexpr bool doubles_pinned = true;
#endif

#ifdef __EMSCRIPTEN__
constexpr uint64_t pinned_doubles[SYNTH_INSTRUMENT_COUNT] = {
    3292282990905030222ull, 8163780154148086764ull,  17682074776516136408ull,
    9529391515274483759ull, 15208240708741212637ull, 715940426139637418ull};
#else
constexpr uint64_t pinned_doubles[SYNTH_INSTRUMENT_COUNT] = {
    16264225229170344060ull, 10370481206278541167ull, 9313300831188677668ull,
    6551316892762999433ull,  6039625624130042387ull,  12426828329180072451ull};
#endif

static uint64_t double_bits(double value) {
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

// FNV-1a over the words, each byte by byte.
static uint64_t fnv_hash(const std::vector<uint64_t>& words) {
    uint64_t hash = 14695981039346656037ull;
    for (uint64_t word : words)
        for (int b = 0; b < 8; b++) hash = (hash ^ ((word >> (8 * b)) & 0xFF)) * 1099511628211ull;
    return hash;
}

// The slot's length and the bit pattern of every sample.
static uint64_t slot_hash(int slot) {
    std::vector<uint64_t> words = {uint64_t(synth_slot_length(slot))};
    for (int32_t i = 0; i < synth_slot_length(slot); i++) words.push_back(double_bits(synth_slot_samples(slot)[i]));
    return fnv_hash(words);
}

// The slot's length and every 16-bit sample the module loader is handed.
static uint64_t pcm16_hash(int slot) {
    std::vector<int16_t> pcm(synth_slot_length(slot));
    synth_fill_sample(pcm.data(), int(pcm.size() * 2), 16, slot - 1, 0);
    std::vector<uint64_t> words = {uint64_t(pcm.size())};
    for (int16_t sample : pcm) words.push_back(uint16_t(sample));
    return fnv_hash(words);
}

using ShippedRender = SynthSlots;

// Both renders match the hashes: a render hands back its work slot and delay lines and starts its
// delay position afresh, so a second one (which would otherwise start where the first left it)
// repeats the first exactly.
TEST_F(ShippedRender, EverySlotMatchesItsPinnedHashRenderAfterRender) {
    const uint64_t pinned_pcm16[SYNTH_INSTRUMENT_COUNT] = {2371291179520841422ull, 666645769380450160ull, 2149542435197173709ull,
                                                           13670435354633374298ull, 13579618262096783ull, 14627356589896182409ull};
    for (int render = 0; render < 2; render++) {
        ASSERT_TRUE(synth_render_all());
        for (int slot = 1; slot <= SYNTH_INSTRUMENT_COUNT; slot++) {
            if (doubles_pinned) {
                EXPECT_EQ(slot_hash(slot), pinned_doubles[slot - 1]) << "slot " << slot;
            }
            EXPECT_EQ(pcm16_hash(slot), pinned_pcm16[slot - 1]) << "slot " << slot;
        }
        EXPECT_EQ(synth_slot_length(0), 0);
        for (double* line : delay_lines) EXPECT_EQ(line, nullptr);
    }
}
