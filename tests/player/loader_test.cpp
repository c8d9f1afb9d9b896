// The XM loader: well-formed modules load field by field with the format's quirks; malformed
// ones fail with a printable reason or are read in the documented tracker way, never crash.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "audio/audio.h"
#include "platform/platform.h"
#include "player/player.h"
#include "tools/xm_writer.h"

namespace {

std::vector<uint8_t> served;
EmbeddedResource served_table[1];

// Serves bytes as the "MUSIC" resource "TEST" and loads them.
Song* load_bytes(const std::vector<uint8_t>& bytes, SampleLoadCallback callback = nullptr) {
    served = bytes;
    served_table[0] = {"MUSIC", "TEST", served.data(), uint32_t(served.size())};
    resources_use(served_table, 1);
    music_set_file_callbacks(resource_open, resource_close, resource_read, resource_seek,
                             resource_tell);
    return music_load("TEST", callback);
}

Song* load_module(const XmModule& module, SampleLoadCallback callback = nullptr) {
    return load_bytes(xm_write(module), callback);
}

// Loads expecting failure; returns the reason.
std::string rejection(const std::vector<uint8_t>& bytes) {
    Song* song = load_bytes(bytes);
    EXPECT_EQ(song, nullptr);
    music_free(song);
    return music_load_error();
}

std::string rejection(const XmModule& module) { return rejection(xm_write(module)); }

NoteCell cell(uint8_t note, uint8_t instrument, uint8_t volume, uint8_t effect, uint8_t param) {
    return NoteCell{note, instrument, volume, effect, param};
}

XmModule one_sample_module(const XmSample& sample) {
    XmModule m = xm_basic_module(2);
    m.instruments[0].samples = {sample};
    return m;
}

void expect_cell(const NoteCell& c, uint8_t note, uint8_t instrument, uint8_t volume,
                 uint8_t effect, uint8_t param) {
    EXPECT_EQ(c.note, note);
    EXPECT_EQ(c.instrument, instrument);
    EXPECT_EQ(c.volume, volume);
    EXPECT_EQ(c.effect, effect);
    EXPECT_EQ(c.param, param);
}

class Loader : public testing::Test {
protected:
    void TearDown() override { music_free(song); }
    Song* song = nullptr;
};

}  // namespace

// ---- Header and patterns ----------------------------------------------------------------------

TEST_F(Loader, WellFormedHeaderLoadsFieldByField) {
    XmModule m = xm_basic_module(6);
    m.orders = {0, 1, 0};
    m.patterns.push_back(xm_empty_pattern(m, 32));
    m.restart_position = 2;
    m.flags = 0;
    m.tempo = 3;
    m.bpm = 150;
    song = load_module(m);
    ASSERT_NE(song, nullptr) << music_load_error();
    EXPECT_STREQ(music_load_error(), "");
    EXPECT_EQ(song->song_length, 3);
    EXPECT_EQ(song->restart_position, 2);
    EXPECT_EQ(song->channel_count, 6);
    EXPECT_EQ(song->song_flags, 0);
    EXPECT_EQ(song->default_tempo, 3);
    EXPECT_EQ(song->default_bpm, 150);
    EXPECT_EQ(song->order_table[1], 1);
    EXPECT_EQ(song->used_patterns, 2);
    EXPECT_EQ(song->pattern_count, 2);
    EXPECT_EQ(song->instrument_count, 1);
    EXPECT_EQ(song->initial_global_volume, 64);
    EXPECT_EQ(song->tick_callback, &song_tick);
    EXPECT_EQ(song->patterns[1].rows, 32);
}

TEST_F(Loader, PackedCellsDecodeWithKeyOffAndInstrumentQuirks) {
    XmModule m = xm_basic_module(3);
    XmPattern& p = m.patterns[0];
    p = xm_empty_pattern(m, 2);
    p.cells[0] = cell(49, 1, 0x40, 0x0F, 0x03);  // all fields: the plain five-byte form
    p.cells[1] = cell(0, 0, 0x10, 0, 0);          // volume column only
    p.cells[2] = cell(NOTE_KEY_OFF, 0, 0, 0x14, 0x05);
    p.cells[3] = cell(12, 200, 0, 0, 0);  // instrument above 128 reads as none
    p.cells[4] = cell(50, 128, 0, 0x23, 0xFF);
    song = load_module(m);
    ASSERT_NE(song, nullptr) << music_load_error();
    const NoteCell* c = song->patterns[0].cells;
    expect_cell(c[0], 49, 1, 0x40, 0x0F, 0x03);
    expect_cell(c[1], 0, 0, 0x10, 0, 0);
    expect_cell(c[2], 255, 0, 0, 0x14, 0x05);
    expect_cell(c[3], 12, 0, 0, 0, 0);
    expect_cell(c[4], 50, 128, 0, 0x23, 0xFF);
    expect_cell(c[5], 0, 0, 0, 0, 0);
}

TEST_F(Loader, NotesPastKeyOffAndEffectsPastZAreDropped) {
    XmModule m = xm_basic_module(2);
    XmPattern& p = m.patterns[0];
    p = xm_empty_pattern(m, 1);
    p.cells[0] = cell(98, 1, 0, 36, 0x12);
    p.cells[1] = cell(200, 1, 0x20, 0x0A, 0x01);
    song = load_module(m);
    ASSERT_NE(song, nullptr) << music_load_error();
    expect_cell(song->patterns[0].cells[0], 0, 1, 0, 0, 0);
    expect_cell(song->patterns[0].cells[1], 0, 1, 0x20, 0x0A, 0x01);
}

TEST_F(Loader, PackedSizeZeroKeepsRowsWithEmptyCells) {
    XmModule m = xm_basic_module(4);
    m.patterns[0].empty_packed = true;
    m.patterns[0].rows_override = 48;
    song = load_module(m);
    ASSERT_NE(song, nullptr) << music_load_error();
    EXPECT_EQ(song->patterns[0].rows, 48);
    for (int i = 0; i < 48 * 4; ++i) ASSERT_EQ(song->patterns[0].cells[i].note, 0);
}

TEST_F(Loader, PatternsNamedByOrdersButMissingGet64EmptyRows) {
    XmModule m = xm_basic_module(4);
    m.orders = {0, 3, 1};
    song = load_module(m);
    ASSERT_NE(song, nullptr) << music_load_error();
    EXPECT_EQ(song->used_patterns, 4);
    EXPECT_EQ(song->pattern_count, 4);
    for (int p = 1; p < 4; ++p) {
        EXPECT_EQ(song->patterns[p].rows, 64);
        ASSERT_NE(song->patterns[p].cells, nullptr);
        for (int i = 0; i < 64 * 4; ++i) ASSERT_EQ(song->patterns[p].cells[i].instrument, 0);
    }
}

TEST_F(Loader, FilePatternsBeyondTheOrderListAreStillLoaded) {
    XmModule m = xm_basic_module(2);
    m.patterns.push_back(xm_empty_pattern(m, 16));
    m.patterns.push_back(xm_empty_pattern(m, 8));
    m.orders = {0, 0, 1, 7};
    m.song_length_override = 3;  // order 7 lies beyond the song
    song = load_module(m);
    ASSERT_NE(song, nullptr) << music_load_error();
    EXPECT_EQ(song->used_patterns, 2);
    EXPECT_EQ(song->pattern_count, 3);
    EXPECT_EQ(song->patterns[2].rows, 8);
}

TEST_F(Loader, BytesAfterThePatternsLastCellAreSkipped) {
    XmModule m = xm_basic_module(2);
    m.patterns[0].extra_packed_bytes = {0x81, 0x30, 0x81};
    m.patterns.push_back(xm_empty_pattern(m, 2));
    m.patterns[1].cells[3] = cell(30, 1, 0, 0, 0);
    song = load_module(m);
    ASSERT_NE(song, nullptr) << music_load_error();
    EXPECT_EQ(song->patterns[1].rows, 2);
    EXPECT_EQ(song->patterns[1].cells[3].note, 30);
    EXPECT_EQ(song->instruments[0].samples[0]->length, 256u);
}

TEST_F(Loader, OutOfRangeRestartBecomesZeroAndSpeedsStayInRange) {
    XmModule m = xm_basic_module(2);
    m.orders = {0, 0};
    m.restart_position = 2;
    m.tempo = 0;
    m.bpm = 0;
    song = load_module(m);
    ASSERT_NE(song, nullptr) << music_load_error();
    EXPECT_EQ(song->restart_position, 0);
    EXPECT_EQ(song->default_tempo, 6);
    EXPECT_EQ(song->default_bpm, 125);
    music_free(song);
    m.tempo = 300;
    m.bpm = 65535;
    song = load_module(m);
    ASSERT_NE(song, nullptr) << music_load_error();
    EXPECT_EQ(song->default_tempo, 255);
    EXPECT_EQ(song->default_bpm, 255);
}

TEST_F(Loader, ShortHeaderSizeLimitsTheOrderTable) {
    XmModule m = xm_basic_module(2);
    m.orders = {0, 0, 0};
    m.header_size = 20 + 3;
    std::vector<uint8_t> bytes = xm_write(m);
    // The writer puts all 256 order bytes; cut the 253 the header size leaves out.
    bytes.erase(bytes.begin() + 60 + 23, bytes.begin() + 60 + 276);
    song = load_bytes(bytes);
    ASSERT_NE(song, nullptr) << music_load_error();
    EXPECT_EQ(song->song_length, 3);
    EXPECT_EQ(song->patterns[0].rows, 64);
    EXPECT_EQ(song->order_table[3], 0);
}

// ---- Instruments ------------------------------------------------------------------------------

TEST_F(Loader, InstrumentFieldsLoadWithFadeoutDoubled) {
    XmModule m = xm_basic_module(2);
    XmInstrument& ins = m.instruments[0];
    ins.keymap[0] = 0;
    ins.keymap[95] = 17;
    ins.volume_envelope = {{{0, 64}, {10, 32}, {20, 0}}, 7, 1, 0, 2, {}};
    ins.panning_envelope = {{{0, 32}, {5, 40}}, 1, 0, 0, 0, {}};
    ins.vibrato_type = 2;
    ins.vibrato_sweep = 10;
    ins.vibrato_depth = 4;
    ins.vibrato_rate = 30;
    ins.fadeout = 32767;
    song = load_module(m);
    ASSERT_NE(song, nullptr) << music_load_error();
    const Instrument& i = song->instruments[0];
    EXPECT_EQ(i.sample_count, 1);
    EXPECT_EQ(i.keymap[95], 17);
    EXPECT_EQ(i.vol_point_count, 3);
    EXPECT_EQ(i.vol_env[1].x, 10);
    EXPECT_EQ(i.vol_env[1].y, 32);
    EXPECT_EQ(i.vol_type, 7);
    EXPECT_EQ(i.vol_sustain, 1);
    EXPECT_EQ(i.vol_loop_end, 2);
    EXPECT_EQ(i.pan_point_count, 2);
    EXPECT_EQ(i.pan_env[1].y, 40);
    EXPECT_EQ(i.pan_type, 1);
    EXPECT_EQ(i.vibrato_type, 2);
    EXPECT_EQ(i.vibrato_sweep, 10);
    EXPECT_EQ(i.vibrato_depth, 4);
    EXPECT_EQ(i.vibrato_rate, 30);
    EXPECT_EQ(i.fadeout, 65534);
    for (int j = 1; j < 16; ++j) EXPECT_EQ(i.samples[j], &dummy_sample);
}

TEST_F(Loader, EnvelopeCountsAndPointsOutsideThePointsAreTamed) {
    XmModule m = xm_basic_module(2);
    XmInstrument& ins = m.instruments[0];
    ins.volume_envelope = {{{0, 64}, {4, 0}}, 7, 5, 0, 1, 13};  // 13 points, sustain at 5
    ins.panning_envelope = {{{0, 32}}, 5, 0, 0, 0, {}};         // one point
    song = load_module(m);
    ASSERT_NE(song, nullptr) << music_load_error();
    const Instrument& i = song->instruments[0];
    EXPECT_EQ(i.vol_point_count, 12);
    EXPECT_EQ(i.vol_type, 7);  // sustain point 5 and loop 0..1 lie within the 12 points
    EXPECT_EQ(i.vol_sustain, 5);
    EXPECT_EQ(i.pan_type, 0);

    XmModule n = xm_basic_module(2);
    n.instruments[0].volume_envelope = {{{0, 64}, {4, 0}, {8, 10}}, 7, 3, 2, 4, {}};
    music_free(song);
    song = load_module(n);
    ASSERT_NE(song, nullptr) << music_load_error();
    EXPECT_EQ(song->instruments[0].vol_type, 1);  // sustain 3 and loop end 4 lie beyond 3 points
    EXPECT_EQ(song->instruments[0].vol_sustain, 0);
    EXPECT_EQ(song->instruments[0].vol_loop_end, 0);
}

TEST_F(Loader, InstrumentWithoutSamplesPointsEverySlotAtTheDummy) {
    XmModule m = xm_basic_module(2);
    m.instruments.insert(m.instruments.begin(), XmInstrument{});
    song = load_module(m);
    ASSERT_NE(song, nullptr) << music_load_error();
    EXPECT_EQ(song->instruments[0].sample_count, 0);
    for (int j = 0; j < 16; ++j) EXPECT_EQ(song->instruments[0].samples[j], &dummy_sample);
    EXPECT_EQ(song->instruments[0].vol_type, 0);
    EXPECT_EQ(song->instruments[1].samples[0]->length, 256u);
}

// ---- Sample headers ---------------------------------------------------------------------------

TEST_F(Loader, LoopTypesFromTheTypeByte) {
    const uint8_t expected[4] = {LOOP_NONE, LOOP_FORWARD, LOOP_PINGPONG, LOOP_PINGPONG};
    for (uint8_t bits = 0; bits < 4; ++bits) {
        XmSample s = xm_test_sample(8, 100);
        s.loop_bits = bits;
        s.loop_start = 10;
        s.loop_length = 50;
        song = load_module(one_sample_module(s));
        ASSERT_NE(song, nullptr) << music_load_error();
        const SampleHeader* h = song->instruments[0].samples[0];
        EXPECT_EQ(h->loop_type, expected[bits]) << "loop bits " << int(bits);
        EXPECT_EQ(h->loop_start, bits ? 10u : 0u);
        EXPECT_EQ(h->loop_length, bits ? 50u : 100u);
        music_free(song);
        song = nullptr;
    }
}

TEST_F(Loader, SixteenBitLengthsAreHalvedToFrames) {
    XmSample s = xm_test_sample(16, 22050);
    s.loop_bits = 1;
    s.loop_start = 479;
    s.loop_length = 18884;
    s.volume = 30;
    s.finetune = -28;
    s.panning = 255;
    s.relative_note = 29;
    song = load_module(one_sample_module(s));
    ASSERT_NE(song, nullptr) << music_load_error();
    const SampleHeader* h = song->instruments[0].samples[0];
    EXPECT_EQ(h->length, 22050u);
    EXPECT_EQ(h->loop_start, 479u);
    EXPECT_EQ(h->loop_length, 18884u);
    EXPECT_EQ(h->bits, 16);
    EXPECT_EQ(h->volume, 30);
    EXPECT_EQ(h->finetune, -28);
    EXPECT_EQ(h->panning, 255);
    EXPECT_EQ(h->relative_note, 29);
}

TEST_F(Loader, ZeroLoopLengthMeansNoLoopOverTheWholeSample) {
    XmSample s = xm_test_sample(8, 64);
    s.loop_bits = 2;
    s.loop_start = 20;
    s.loop_length = 0;
    song = load_module(one_sample_module(s));
    ASSERT_NE(song, nullptr) << music_load_error();
    const SampleHeader* h = song->instruments[0].samples[0];
    EXPECT_EQ(h->loop_type, LOOP_NONE);
    EXPECT_EQ(h->loop_start, 0u);
    EXPECT_EQ(h->loop_length, 64u);
}

TEST_F(Loader, LoopsPastTheSampleAreClippedOrDropped) {
    XmSample past_end = xm_test_sample(8, 100);
    past_end.loop_bits = 1;
    past_end.loop_start = 60;
    past_end.loop_length = 0xFFFFFFF0u;  // start + length also overflows 32 bits
    song = load_module(one_sample_module(past_end));
    ASSERT_NE(song, nullptr) << music_load_error();
    EXPECT_EQ(song->instruments[0].samples[0]->loop_type, LOOP_FORWARD);
    EXPECT_EQ(song->instruments[0].samples[0]->loop_start, 60u);
    EXPECT_EQ(song->instruments[0].samples[0]->loop_length, 40u);
    music_free(song);

    XmSample beyond = xm_test_sample(8, 100);
    beyond.loop_bits = 2;
    beyond.loop_start = 100;
    beyond.loop_length = 10;
    song = load_module(one_sample_module(beyond));
    ASSERT_NE(song, nullptr) << music_load_error();
    EXPECT_EQ(song->instruments[0].samples[0]->loop_type, LOOP_NONE);
    EXPECT_EQ(song->instruments[0].samples[0]->loop_length, 100u);
}

TEST_F(Loader, SampleVolumeAbove64IsCapped) {
    XmSample s = xm_test_sample(8, 10);
    s.volume = 200;
    song = load_module(one_sample_module(s));
    ASSERT_NE(song, nullptr) << music_load_error();
    EXPECT_EQ(song->instruments[0].samples[0]->volume, 64);
}

// ---- Sample data ------------------------------------------------------------------------------

TEST_F(Loader, EightBitDeltasDecodeToFramesTimes256) {
    XmSample s;
    s.frames = {1, 2, -1};  // stored as deltas 0x01, 0x01, 0xFD
    song = load_module(one_sample_module(s));
    ASSERT_NE(song, nullptr) << music_load_error();
    const SampleHeader* h = song->instruments[0].samples[0];
    EXPECT_EQ(h->bits, 16);
    EXPECT_EQ(h->data[0], 256);
    EXPECT_EQ(h->data[1], 512);
    EXPECT_EQ(h->data[2], -256);
    EXPECT_EQ(h->data[3], 0);  // the unlooped guard
}

TEST_F(Loader, SixteenBitDeltasDecodeWithWrapping) {
    XmSample s = xm_test_sample(16, 40);
    s.frames[5] = 32767;
    s.frames[6] = -32768;  // a delta of +1 that wraps
    song = load_module(one_sample_module(s));
    ASSERT_NE(song, nullptr) << music_load_error();
    const SampleHeader* h = song->instruments[0].samples[0];
    for (int k = 0; k < 40; ++k) ASSERT_EQ(h->data[k], s.frames[k]) << "frame " << k;
    for (int k = 40; k < 48; ++k) EXPECT_EQ(h->data[k], 0);
}

TEST_F(Loader, OddSixteenBitByteCountSkipsTheLastByte) {
    XmModule first = one_sample_module(xm_test_sample(16, 8));
    first.instruments[0].samples[0].length_bytes_override = 15;
    XmModule both = first;
    both.instruments.push_back(one_sample_module(xm_test_sample(8, 5)).instruments[0]);
    std::vector<uint8_t> bytes = xm_write(both);
    // The writer puts 16 data bytes; drop the last so that the file holds the declared 15.
    bytes.erase(bytes.begin() + long(xm_write(first).size()) - 1);
    song = load_bytes(bytes);
    ASSERT_NE(song, nullptr) << music_load_error();
    const SampleHeader* odd = song->instruments[0].samples[0];
    EXPECT_EQ(odd->length, 7u);
    EXPECT_EQ(odd->data[6], xm_test_sample(16, 8).frames[6]);
    const SampleHeader* next = song->instruments[1].samples[0];
    ASSERT_EQ(next->length, 5u);
    for (int k = 0; k < 5; ++k) EXPECT_EQ(next->data[k], xm_test_sample(8, 5).frames[k] * 256);
}

TEST_F(Loader, GuardFrameFollowsEachLoopType) {
    struct Case {
        uint8_t loop_bits;
        int guard_source;  // index whose frame the guard copies, -1 for zero
    } cases[] = {{0, -1}, {1, 20}, {2, 49}};
    for (const Case& c : cases) {
        XmSample s = xm_test_sample(16, 64);
        for (int k = 0; k < 64; ++k) s.frames[k] = int16_t(100 * k + 7);
        s.loop_bits = c.loop_bits;
        s.loop_start = 20;
        s.loop_length = 30;
        song = load_module(one_sample_module(s));
        ASSERT_NE(song, nullptr) << music_load_error();
        const SampleHeader* h = song->instruments[0].samples[0];
        uint32_t end = h->loop_start + h->loop_length;
        int16_t expected = c.guard_source < 0 ? 0 : s.frames[c.guard_source];
        EXPECT_EQ(h->data[end], expected) << "loop bits " << int(c.loop_bits);
        music_free(song);
        song = nullptr;
    }
}

// ---- The sample-load callback -----------------------------------------------------------------

namespace {

struct CallbackCall {
    int byte_length, bits, instrument, sample;
    bool zero_filled;
};
std::vector<CallbackCall> calls;

int record_and_fill(int16_t* dest, int byte_length, int bits, int instrument, int sample) {
    bool zero = true;
    const uint8_t* bytes = reinterpret_cast<const uint8_t*>(dest);
    int frames = bits == 16 ? byte_length / 2 : byte_length;
    for (int k = 0; k < 2 * frames + 16; ++k) zero = zero && bytes[k] == 0;
    calls.push_back({byte_length, bits, instrument, sample, zero});
    // Plain PCM: frame k = k + 1 (16-bit) or byte k = k + 1 (8-bit), only the first half.
    for (int k = 0; k < frames / 2; ++k) {
        if (bits == 16)
            dest[k] = int16_t(k + 1);
        else
            reinterpret_cast<int8_t*>(dest)[k] = int8_t(k + 1);
    }
    return 0;
}

}  // namespace

TEST_F(Loader, CallbackFillsEverySampleInOrderWithoutDeltaDecoding) {
    XmModule m = xm_basic_module(2);
    XmInstrument a;
    a.samples = {xm_test_sample(16, 100), xm_test_sample(8, 0), xm_test_sample(8, 30)};
    a.samples[2].loop_bits = 1;
    a.samples[2].loop_start = 4;
    a.samples[2].loop_length = 10;
    XmInstrument empty;
    m.instruments = {a, empty, one_sample_module(xm_test_sample(16, 10)).instruments[0]};
    calls.clear();
    song = load_module(m, record_and_fill);
    ASSERT_NE(song, nullptr) << music_load_error();
    ASSERT_EQ(calls.size(), 3u);  // the empty sample and the empty instrument are not called
    EXPECT_EQ(calls[0].byte_length, 200);
    EXPECT_EQ(calls[0].bits, 16);
    EXPECT_EQ(calls[0].instrument, 0);
    EXPECT_EQ(calls[0].sample, 0);
    EXPECT_EQ(calls[1].byte_length, 30);
    EXPECT_EQ(calls[1].bits, 8);
    EXPECT_EQ(calls[1].instrument, 0);
    EXPECT_EQ(calls[1].sample, 2);
    EXPECT_EQ(calls[2].byte_length, 20);
    EXPECT_EQ(calls[2].instrument, 2);
    EXPECT_EQ(calls[2].sample, 0);
    for (const CallbackCall& c : calls) EXPECT_TRUE(c.zero_filled);

    const SampleHeader* wide = song->instruments[0].samples[0];
    EXPECT_EQ(wide->data[0], 1);
    EXPECT_EQ(wide->data[49], 50);
    EXPECT_EQ(wide->data[50], 0);  // unwritten frames stay zero, not the file's saw
    const SampleHeader* narrow = song->instruments[0].samples[2];
    EXPECT_EQ(narrow->bits, 16);
    EXPECT_EQ(narrow->data[0], 256);
    EXPECT_EQ(narrow->data[1], 512);
    EXPECT_EQ(narrow->data[14], narrow->data[4]);  // forward guard over the callback's frames
    EXPECT_EQ(song->instruments[0].samples[1]->data, nullptr);
}

// ---- Rejections -------------------------------------------------------------------------------

TEST(LoaderRejects, WrongMagicOrTooShortStream) {
    XmModule m = xm_basic_module(2);
    m.magic = "Extended Modulo: ";
    EXPECT_EQ(rejection(m), "not an XM module");
    EXPECT_EQ(rejection(std::vector<uint8_t>{'E', 'x', 't'}), "not an XM module");
    EXPECT_EQ(rejection(std::vector<uint8_t>{}), "not an XM module");
}

TEST(LoaderRejects, CountsOutOfRange) {
    XmModule m = xm_basic_module(2);
    m.channel_count = 40;
    EXPECT_EQ(rejection(m), "too many channels (40, at most 32)");
    m.channel_count = 0;
    EXPECT_EQ(rejection(m), "no channels");

    m = xm_basic_module(2);
    m.song_length_override = 0;
    EXPECT_EQ(rejection(m), "empty order list");
    m.song_length_override = 257;
    EXPECT_EQ(rejection(m), "order list too long (257, at most 256)");

    m = xm_basic_module(2);
    m.pattern_count_override = 300;
    EXPECT_EQ(rejection(m), "too many patterns (300, at most 256)");
    m = xm_basic_module(2);
    m.instrument_count_override = 129;
    EXPECT_EQ(rejection(m), "too many instruments (129, at most 128)");

    m = xm_basic_module(2);
    m.header_size = 12;
    EXPECT_EQ(rejection(m), "header size 12 too small");
}

TEST(LoaderRejects, PatternRowCountsOutsideOneTo256) {
    XmModule m = xm_basic_module(2);
    m.patterns.push_back(xm_empty_pattern(m, 4));
    m.patterns[1].rows_override = 0;
    EXPECT_EQ(rejection(m), "pattern 1: 0 rows (1 to 256 allowed)");
    m.patterns[1].rows_override = 257;
    EXPECT_EQ(rejection(m), "pattern 1: 257 rows (1 to 256 allowed)");
}

TEST(LoaderRejects, PackedDataShorterThanItsCells) {
    XmModule m = xm_basic_module(2);
    m.patterns.push_back(xm_empty_pattern(m, 4));
    m.patterns.push_back(xm_empty_pattern(m, 4));
    m.patterns[2].cells.resize(7);  // one cell short of 4 rows x 2 channels
    EXPECT_EQ(rejection(m), "pattern 2: packed data overruns its size");

    XmModule n = xm_basic_module(2);
    n.patterns[0] = xm_empty_pattern(n, 1);
    n.patterns[0].cells = {cell(1, 1, 1, 1, 1), cell(0, 1, 0, 0, 0)};
    // The flag byte of the last cell announces an instrument byte that the size leaves out.
    n.patterns[0].packed_size_override = 6;
    EXPECT_EQ(rejection(n), "pattern 0: packed data overruns its size");
}

TEST(LoaderRejects, MoreThanSixteenSamples) {
    XmModule m = xm_basic_module(2);
    m.instruments.push_back(XmInstrument{});
    m.instruments[1].samples.assign(17, xm_test_sample(8, 4));
    EXPECT_EQ(rejection(m), "instrument 2: too many samples (17, at most 16)");
}

TEST(LoaderRejects, SampleDataBeyondTheFileBeforeAllocating) {
    XmModule m = xm_basic_module(2);
    m.instruments[0].samples[0].length_bytes_override = 0xFFFFFFF0u;
    std::string reason = rejection(m);
    EXPECT_EQ(reason.rfind("truncated at byte " + std::to_string(xm_write(m).size()), 0), 0u)
        << reason;
    EXPECT_NE(reason.find("instrument 1 sample 0"), std::string::npos) << reason;
}

TEST(LoaderRejects, InstrumentHeaderSizeBeyondTheFile) {
    XmModule m = xm_basic_module(2);
    m.instruments[0].header_size_override = 0x7FFFFFF0u;
    EXPECT_EQ(rejection(m), "truncated at byte " + std::to_string(xm_write(m).size()));
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
        std::vector<uint8_t> prefix(bytes.begin(), bytes.begin() + long(size));
        std::string reason = rejection(prefix);
        std::string expected =
            size < 17 ? "not an XM module" : "truncated at byte " + std::to_string(size);
        ASSERT_EQ(reason.substr(0, expected.size()), expected) << "prefix of " << size << " bytes";
    }
}

TEST(LoaderRejects, UnregisteredCallbacksAndMissingResource) {
    music_set_file_callbacks(nullptr, nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(music_load("TEST", nullptr), nullptr);
    EXPECT_STREQ(music_load_error(), "no stream callbacks registered");
    resources_use(nullptr, 0);
    music_set_file_callbacks(resource_open, resource_close, resource_read, resource_seek,
                             resource_tell);
    EXPECT_EQ(music_load("XMMOD", nullptr), nullptr);
    EXPECT_STREQ(music_load_error(), "not an XM module");
    EXPECT_FALSE(music_free(nullptr));
}

TEST(LoaderFree, FreeingThePreparedSongReleasesItsPlayback) {
    Song* song = load_module(xm_basic_module(4));
    ASSERT_NE(song, nullptr) << music_load_error();
    ASSERT_TRUE(playback_prepare(song));
    for (int block = 0; block < 4; ++block) render_next_block();
    EXPECT_TRUE(music_free(song));
    EXPECT_EQ(playing_song, nullptr);
    EXPECT_EQ(wave_buffer, nullptr);
}

// ---- Real songs -------------------------------------------------------------------------------

namespace {

struct RealSong {
    const char* file;
    int16_t channels, length, tempo, bpm;
    int32_t file_patterns;
    int16_t instruments;
};

// Header values read independently from a hex dump of each file (offsets 64..79).
const RealSong kRealSongs[] = {
    {"drozerix-dream-candy.xm", 24, 86, 2, 118, 51, 8},
    {"drozerix-crush.xm", 18, 48, 2, 120, 37, 12},
    {"drozerix-bit-loader.xm", 4, 25, 3, 132, 23, 4},
    {"lachesis-villgust-gaiden-menu.xm", 4, 4, 6, 215, 4, 2},
};

// The songs sit beside the repository: <repo>/../shared/testdata/xm.
std::filesystem::path testdata_dir() {
    return std::filesystem::path(__FILE__).parent_path().parent_path().parent_path().parent_path() /
           "shared" / "testdata" / "xm";
}

}  // namespace

TEST_F(Loader, RealSongsLoadFromFilesWithTheirHeaders) {
    if (!std::filesystem::is_directory(testdata_dir())) GTEST_SKIP() << "no " << testdata_dir();
    music_set_file_callbacks(file_open, file_close, file_read, file_seek, file_tell);
    for (const RealSong& r : kRealSongs) {
        std::string path = (testdata_dir() / r.file).string();
        song = music_load(path.c_str(), nullptr);
        ASSERT_NE(song, nullptr) << r.file << ": " << music_load_error();
        EXPECT_EQ(song->channel_count, r.channels) << r.file;
        EXPECT_EQ(song->song_length, r.length) << r.file;
        EXPECT_EQ(song->default_tempo, r.tempo) << r.file;
        EXPECT_EQ(song->default_bpm, r.bpm) << r.file;
        EXPECT_EQ(song->song_flags & 1, 1) << r.file;
        EXPECT_GE(song->pattern_count, r.file_patterns) << r.file;
        EXPECT_EQ(song->instrument_count, r.instruments) << r.file;
        for (int i = 0; i < song->instrument_count; ++i) {
            const Instrument& ins = song->instruments[i];
            for (int j = 0; j < ins.sample_count; ++j) {
                const SampleHeader* s = ins.samples[j];
                ASSERT_LE(s->loop_start + s->loop_length, s->length) << r.file;
                EXPECT_EQ(s->data == nullptr, s->length == 0) << r.file;
            }
        }
        music_free(song);
        song = nullptr;
    }
}
