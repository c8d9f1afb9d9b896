// The XM loader: modules built with the XM writer load field by field with the format's quirks;
// malformed ones fail with a one-line reason and never crash.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "audio/audio.h"
#include "player/engine.h"
#include "tests/support/calloc_failure/calloc_failure.h"
#include "tests/support/modules.h"

namespace {

XmModule one_sample_module(const XmSample& sample) {
    XmModule m = xm_basic_module(2);
    m.instruments[0].samples = {sample};
    return m;
}

class Loader : public testing::Test {
protected:
    Song* song = nullptr;
    void TearDown() override { music_free(song); }

    // Loads the module in place of the song before; false when it does not load.
    bool load(const XmModule& module, SampleLoadCallback callback = nullptr) {
        music_free(song);
        return (song = load_module(module, callback)) != nullptr;
    }
};

// ---- Header and patterns ----------------------------------------------------------------------

// The plain packed forms are pinned by the real songs' hashes.
TEST_F(Loader, PackedCellsDecodeWithTheirQuirks) {
    const struct { const char* what; NoteCell written, read; } cases[] = {
        {"instrument 128 and effect Z", {50, 128, 0, 0x23, 0xFF}, {50, 128, 0, 0x23, 0xFF}},
        {"instrument above 128 is none", {12, 200, 0, 0, 0}, {12, 0, 0, 0, 0}},
        {"note past key-off, effect past Z", {98, 1, 0, 36, 0x12}, {0, 1, 0, 0, 0}},
    };
    XmModule m = xm_basic_module(std::size(cases));
    m.patterns[0] = xm_empty_pattern(m, 1);
    for (size_t k = 0; k < std::size(cases); ++k) m.patterns[0].cells[k] = cases[k].written;
    ASSERT_TRUE(load(m)) << music_load_error();
    for (size_t k = 0; k < std::size(cases); ++k)
        EXPECT_EQ(std::memcmp(&song->patterns[0].cells[k], &cases[k].read, sizeof(NoteCell)), 0) << cases[k].what;
}

TEST_F(Loader, EmptyMissingAndUnorderedPatternsAllLoad) {
    XmModule m = xm_basic_module(2);
    m.patterns[0].empty_packed = true, m.patterns[0].rows_override = 48;  // packed size 0: every cell empty
    m.patterns.push_back(xm_empty_pattern(m, 4));
    m.patterns[1].extra_packed_bytes = {0x81, 0x30, 0x81};  // after the last cell: skipped
    m.patterns.push_back(xm_empty_pattern(m, 2));           // named by no order
    m.patterns[2].cells[3].note = 30, m.orders = {0, 1};
    ASSERT_TRUE(load(m)) << music_load_error();
    EXPECT_EQ((std::array<int, 4>{song->used_patterns, song->pattern_count, song->patterns[0].rows, song->patterns[2].cells[3].note}),
              (std::array{2, 3, 48, 30}));
    for (int k = 0; k < 48 * 2; ++k) ASSERT_EQ(song->patterns[0].cells[k].note, 0);
    m = xm_basic_module(2);
    m.orders = {0, 3, 1};  // patterns 1..3 are not in the file: 64 empty rows each
    ASSERT_TRUE(load(m)) << music_load_error();
    EXPECT_EQ(song->pattern_count, 4);
    for (int p = 1; p < 4; ++p) {
        ASSERT_EQ(song->patterns[p].rows, 64);
        for (int k = 0; k < 64 * 2; ++k) ASSERT_EQ(song->patterns[p].cells[k].instrument, 0);
    }
}

// ---- Instruments and samples ------------------------------------------------------------------

TEST_F(Loader, InstrumentsLoadWithEnvelopesTamedAndFadeoutDoubled) {
    XmModule m = xm_basic_module(2);
    XmInstrument& first = m.instruments[0];
    first.volume_envelope = {{{0, 64}, {10, 32}, {20, 0}}, 7, 1, 0, 2, {}}, first.fadeout = 32767;
    first.vibrato_type = 2, first.vibrato_sweep = 3, first.vibrato_depth = 4, first.vibrato_rate = 5;
    first.samples[0].finetune = -3;
    XmInstrument clipped = first, beyond = first;
    clipped.volume_envelope = {{{0, 64}, {4, 0}}, 7, 5, 0, 1, 13};  // 13 points, sustain at 5
    clipped.panning_envelope = {{{0, 32}}, 5, 0, 0, 0, {}};         // one point
    beyond.volume_envelope = {{{0, 64}, {4, 0}, {8, 10}}, 7, 3, 2, 3, {}};
    m.instruments.insert(m.instruments.end(), {XmInstrument{}, clipped, beyond});
    ASSERT_TRUE(load(m)) << music_load_error();
    const Instrument* i = song->instruments;
    EXPECT_EQ((std::vector<int>{i[0].vol_env[1].x, i[0].vol_env[1].y, i[0].vol_type, i[0].vol_loop_end, i[0].fadeout,
                                i[0].vibrato_type, i[0].vibrato_sweep, i[0].vibrato_depth, i[0].vibrato_rate,
                                i[0].samples[0]->finetune}),
              (std::vector<int>{10, 32, 7, 2, 65534, 2, 3, 4, 5, -3}));
    for (int j = 0; j < 16; ++j) EXPECT_EQ(i[1].samples[j], &dummy_sample);  // no samples
    // 13 points are clipped to 12, which hold sustain 5 and loop 0..1; one point is no envelope.
    EXPECT_EQ((std::array<int, 4>{i[2].vol_point_count, i[2].vol_type, i[2].vol_sustain, i[2].pan_type}),
              (std::array{12, 7, 5, 0}));
    // Sustain 3 and loop end 3 name a fourth point of 3: both are switched off.
    EXPECT_EQ((std::array<int, 3>{i[3].vol_type, i[3].vol_sustain, i[3].vol_loop_end}), (std::array{1, 0, 0}));
}

TEST_F(Loader, SampleHeadersGiveLoopsInFramesWithinTheSample) {
    const struct { const char* what; uint8_t bits, loop_bits; uint32_t length, start, loop;
                   uint8_t volume, want_type; uint32_t want_start, want_loop; } cases[] = {
        {"no loop: the loop spans the sample", 8, 0, 100, 10, 50, 30, LOOP_NONE, 0, 100},
        {"both bits: ping-pong", 8, 3, 100, 10, 50, 30, LOOP_PINGPONG, 10, 50},
        {"loop length 0: no loop", 8, 2, 64, 20, 0, 30, LOOP_NONE, 0, 64},
        {"loop past the end: clipped", 8, 1, 100, 60, 0xFFFFFFF0u, 30, LOOP_FORWARD, 60, 40},
        {"loop starting at the end: dropped", 8, 2, 100, 100, 10, 30, LOOP_NONE, 0, 100},
        {"volume above 64: 64", 8, 0, 10, 0, 0, 200, LOOP_NONE, 0, 10},
    };
    for (const auto& c : cases) {
        XmSample s = xm_test_sample(c.bits, c.length);
        s.loop_bits = c.loop_bits, s.loop_start = c.start, s.loop_length = c.loop, s.volume = c.volume, s.panning = 255;
        ASSERT_TRUE(load(one_sample_module(s))) << music_load_error();
        const SampleHeader& h = *song->instruments[0].samples[0];
        EXPECT_EQ((std::array<int64_t, 7>{h.length, h.loop_type, h.loop_start, h.loop_length, h.volume, h.bits, h.panning}),
                  (std::array<int64_t, 7>{c.length, c.want_type, c.want_start, c.want_loop, std::min<uint32_t>(c.volume, 64), 16, 255}))
            << c.what;
    }
}

// ---- Sample data ------------------------------------------------------------------------------

// 16-bit deltas decode wrapping, both ways. The header counts a 16-bit sample's data in bytes; an
// odd count leaves a stray byte that belongs to no frame, and the next sample's data starts after
// it, not after the whole frames. The guard frame after the loop end, read when the mixer
// interpolates there, is pinned by the real songs' hashes.
TEST_F(Loader, SixteenBitDeltasWrapAndAnOddByteLengthKeepsTheNextSampleInStep) {
    XmModule m = xm_basic_module(2);
    XmSample odd = xm_test_sample(16, 3), next = xm_test_sample(8, 5);
    odd.frames = {32767, -32768, 7}, odd.length_bytes_override = 7;  // deltas of +1 and +32775 that wrap
    for (int k = 0; k < 5; ++k) next.frames[k] = int16_t(10 * k + 3);
    m.instruments[0].samples = {odd, next};
    std::vector<uint8_t> bytes = xm_write(m);
    bytes.insert(bytes.end() - 5, 0x55);  // the stray byte, between the two samples' data
    ASSERT_TRUE((song = load_bytes(bytes)) != nullptr) << music_load_error();
    const SampleHeader& first = *song->instruments[0].samples[0];
    const SampleHeader& second = *song->instruments[0].samples[1];
    EXPECT_EQ(first.length, 3u);
    for (int k = 0; k < 3; ++k) EXPECT_EQ(first.data[k], odd.frames[k]) << "first sample, frame " << k;
    for (int k = 0; k < 5; ++k) EXPECT_EQ(second.data[k], int16_t(next.frames[k] << 8)) << "second sample, frame " << k;
}

// ---- The sample-load callback -----------------------------------------------------------------

std::vector<std::array<int, 5>> calls;  // byte count, bits, instrument, sample, zero-filled

// Records the call and writes plain PCM 7 into the first frame.
int record_and_fill(int16_t* dest, int byte_length, int bits, int instrument, int sample) {
    const uint8_t* bytes = reinterpret_cast<const uint8_t*>(dest);
    calls.push_back({byte_length, bits, instrument, sample, std::all_of(bytes, bytes + byte_length, [](uint8_t b) { return b == 0; })});
    if (bits == 16) dest[0] = 7;
    else reinterpret_cast<int8_t*>(dest)[0] = 7;
    return 0;
}

// Called once per sample that has data, in order, on a zero-filled buffer that is not delta decoded.
TEST_F(Loader, CallbackFillsEverySampleInOrderWithoutDeltaDecoding) {
    XmModule m = xm_basic_module(2);
    m.instruments[0].samples = {xm_test_sample(16, 100), xm_test_sample(8, 0), xm_test_sample(8, 30)};
    m.instruments.insert(m.instruments.end(), {XmInstrument{}, m.instruments[0]});
    m.instruments[2].samples.resize(1);
    calls.clear();
    ASSERT_TRUE(load(m, record_and_fill)) << music_load_error();
    EXPECT_EQ(calls, (std::vector<std::array<int, 5>>{{200, 16, 0, 0, 1}, {30, 8, 0, 2, 1}, {200, 16, 2, 0, 1}}));
    const SampleHeader* const* s = song->instruments[0].samples;
    EXPECT_EQ((std::array<int, 4>{s[0]->data[0], s[0]->data[1], s[2]->data[0], s[2]->data[1]}),
              (std::array{7, 0, 7 * 256, 0}));
}

// ---- Rejections -------------------------------------------------------------------------------

// Loads expecting failure; returns the reason.
std::string rejection(const std::vector<uint8_t>& bytes) {
    Song* song = load_bytes(bytes);
    EXPECT_EQ(song, nullptr);
    music_free(song);
    return music_load_error();
}

TEST(LoaderRejects, BadModulesWithTheirReason) {
    using M = XmModule&;
    const struct { const char* reason; void (*edit)(XmModule&); } cases[] = {
        {"not an XM module", [](M m) { m.magic = "Extended Modulo: "; }},
        {"too many channels (40, at most 32)", [](M m) { m.channel_count = 40; }},
        {"no channels", [](M m) { m.channel_count = 0; }},
        {"empty order list", [](M m) { m.song_length_override = 0; }},
        {"order list too long (257, at most 256)", [](M m) { m.song_length_override = 257; }},
        {"too many patterns (300, at most 256)", [](M m) { m.pattern_count_override = 300; }},
        {"too many instruments (129, at most 128)", [](M m) { m.instrument_count_override = 129; }},
        {"header size 12 too small", [](M m) { m.header_size = 12; }},
        {"pattern 0: 0 rows (1 to 256 allowed)", [](M m) { m.patterns[0].rows_override = 0; }},
        {"pattern 0: 257 rows (1 to 256 allowed)", [](M m) { m.patterns[0].rows_override = 257; }},
        {"pattern 0: packed data overruns its size", [](M m) { m.patterns[0].cells.resize(7); }},
        // The flag byte of the last cell announces an instrument byte that the size leaves out.
        {"pattern 0: packed data overruns its size", [](M m) {
             m.patterns[0].cells = {{1, 1, 1, 1, 1}, {0, 1, 0, 0, 0}};
             m.patterns[0].rows = 1, m.patterns[0].packed_size_override = 6;
         }},
        {"instrument 1: too many samples (17, at most 16)", [](M m) { m.instruments[0].samples.assign(17, xm_test_sample(8, 4)); }},
        // Sizes beyond the file fail before anything is allocated for them.
        {"truncated at byte ", [](M m) { m.instruments[0].header_size_override = 0x7FFFFFF0u; }},
        {"truncated at byte ", [](M m) { m.instruments[0].samples[0].length_bytes_override = 0xFFFFFFF0u; }},
    };
    for (const auto& c : cases) {
        XmModule m = xm_basic_module(2);
        m.patterns[0] = xm_empty_pattern(m, 4);
        c.edit(m);
        EXPECT_EQ(rejection(xm_write(m)).substr(0, std::strlen(c.reason)), c.reason);
    }
}

TEST(LoaderRejects, EveryPrefixOfAModuleFailsAsTruncatedAtItsEnd) {
    XmModule m = xm_basic_module(3);
    m.orders = {0, 2};
    m.patterns.push_back(xm_empty_pattern(m, 8));
    m.patterns[1].empty_packed = true;
    m.instruments.push_back(XmInstrument{});
    m.instruments.push_back(one_sample_module(xm_test_sample(16, 20)).instruments[0]);
    std::vector<uint8_t> bytes = xm_write(m);
    Song* whole = load_bytes(bytes);
    ASSERT_NE(whole, nullptr) << music_load_error();
    music_free(whole);
    for (size_t size = 0; size < bytes.size(); ++size) {
        std::string reason = rejection({bytes.begin(), bytes.begin() + long(size)});
        std::string expected = size < 17 ? "not an XM module" : "truncated at byte " + std::to_string(size);
        ASSERT_EQ(reason.substr(0, expected.size()), expected) << "prefix of " << size << " bytes";
    }
}

TEST(LoaderRejects, UnregisteredCallbacksAndMissingResourceAndFreeReleasesThePlayback) {
    music_set_file_callbacks(nullptr, nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(music_load("TEST", nullptr), nullptr);
    EXPECT_STREQ(music_load_error(), "no stream callbacks registered");
    Song* song = load_module(xm_basic_module(4));
    ASSERT_NE(song, nullptr) << music_load_error();
    EXPECT_EQ(music_load("XMMOD", nullptr), nullptr);  // a missing resource is an empty stream
    EXPECT_STREQ(music_load_error(), "not an XM module");
    EXPECT_FALSE(music_free(nullptr));
    ASSERT_TRUE(playback_prepare(song));
    for (int block = 0; block < 4; ++block) render_next_block();
    EXPECT_TRUE(music_free(song));
    EXPECT_TRUE(playing_song == nullptr && wave_buffer == nullptr);
}

// Memory running out at each allocation of a real song's load (the song, its patterns, its
// instruments, each sample's header and data, the stream's records) ends that load with a reason and keeps
// nothing of it (LeakSanitizer); with memory to spare the same bytes load.
TEST(LoaderRejects, EachAllocationOfALoadFailingEndsItWithAReason) {
    std::ifstream file(testdata_dir() / test_songs[0], std::ios::binary);
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(file), {}};
    ASSERT_GT(bytes.size(), 1000u);
    std::vector<std::string> reasons;
    int64_t failures = each_allocation_failing([&] {
        Song* song = load_bytes(bytes);
        if (song == nullptr) reasons.push_back(music_load_error());
        music_free(song);
    });
    EXPECT_GT(failures, 20);
    EXPECT_EQ(int64_t(reasons.size()), failures);
    // The stream's own records come from the callbacks, which can only say the stream did not open.
    for (const std::string& reason : reasons) EXPECT_TRUE(reason == "out of memory" || reason == "cannot open TEST") << reason;
    Song* song = load_bytes(bytes);
    EXPECT_NE(song, nullptr) << music_load_error();
    music_free(song);
}

}  // namespace
