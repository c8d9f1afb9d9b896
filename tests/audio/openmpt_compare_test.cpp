// Black-box comparison with an independent player: the same module rendered by our block
// renderer and by openmpt123 (linear interpolation, 44100 Hz, 16-bit stereo) must agree on note
// onsets and on the loudness envelope. Skipped when openmpt123 is not installed.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "audio/audio.h"
#include "player/player.h"
#include "tools/xm_writer.h"

namespace {

constexpr int RATE = 44100;
constexpr int ENVELOPE_WINDOW = RATE / 40;  // 25 ms
constexpr int ROW_FRAMES = 6 * 882;         // speed 6 at 125 BPM

bool openmpt123_available() { return std::system("command -v openmpt123 >/dev/null 2>&1") == 0; }

std::string temp_dir() {
    char name[] = "/tmp/quadrise_compare_XXXXXX";
    const char* made = mkdtemp(name);
    return made ? made : "";
}

bool write_file(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

uint32_t le32(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t{b[at + 3]} << 24;
}

// The mono (L + R) / 2 signal of a 16-bit stereo PCM WAV file; empty when it is not one.
std::vector<double> read_wav_mono(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<double> mono;
    if (b.size() < 12 || std::memcmp(b.data(), "RIFF", 4) != 0) return mono;
    bool stereo16 = false;
    for (size_t at = 12; at + 8 <= b.size();) {
        uint32_t size = le32(b, at + 4);
        if (std::memcmp(&b[at], "fmt ", 4) == 0 && at + 24 <= b.size()) {
            stereo16 = b[at + 10] == 2 && le32(b, at + 12) == RATE && b[at + 22] == 16;
        }
        if (std::memcmp(&b[at], "data", 4) == 0 && stereo16) {
            size_t end = std::min(b.size(), at + 8 + size);
            for (size_t k = at + 8; k + 4 <= end; k += 4) {
                int16_t left = static_cast<int16_t>(b[k] | b[k + 1] << 8);
                int16_t right = static_cast<int16_t>(b[k + 2] | b[k + 3] << 8);
                mono.push_back((left + right) / 2.0);
            }
            return mono;
        }
        at += 8 + size + (size & 1);
    }
    return mono;
}

// Renders the module file through playback_prepare and render_next_block.
std::vector<double> render_ours(const std::string& path, int64_t frames) {
    std::vector<double> mono;
    music_set_file_callbacks(file_open, file_close, file_read, file_seek, file_tell);
    Song* song = music_load(path.c_str(), nullptr);
    if (!song || !playback_prepare(song)) return mono;
    while (static_cast<int64_t>(mono.size()) < frames) {
        int32_t b = write_block;
        render_next_block();
        const int16_t* pcm = wave_buffer + 2 * static_cast<size_t>(b) * block_frames;
        for (int k = 0; k < block_frames; ++k) mono.push_back((pcm[2 * k] + pcm[2 * k + 1]) / 2.0);
    }
    mono.resize(static_cast<size_t>(frames));
    playback_release();
    music_free(song);
    return mono;
}

// The reference repeats the song as our renderer does, so both run on past its end.
std::vector<double> render_openmpt(const std::string& path, int seconds) {
    std::string command = "openmpt123 --quiet --render --force --samplerate 44100 --channels 2 "
                          "--no-float --filter 2 --dither 0 --repeat -1 --end-time " +
                          std::to_string(seconds) + " '" + path + "' >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0) return {};
    return read_wav_mono(path + ".wav");
}

std::vector<double> rms_envelope(const std::vector<double>& mono) {
    std::vector<double> envelope;
    for (size_t at = 0; at + ENVELOPE_WINDOW <= mono.size(); at += ENVELOPE_WINDOW) {
        double sum = 0.0;
        for (size_t k = at; k < at + ENVELOPE_WINDOW; ++k) sum += mono[k] * mono[k];
        envelope.push_back(std::sqrt(sum / ENVELOPE_WINDOW));
    }
    return envelope;
}

double correlation(const std::vector<double>& a, const std::vector<double>& b) {
    size_t n = std::min(a.size(), b.size());
    double mean_a = 0.0, mean_b = 0.0;
    for (size_t k = 0; k < n; ++k) mean_a += a[k], mean_b += b[k];
    mean_a /= n;
    mean_b /= n;
    double ab = 0.0, aa = 0.0, bb = 0.0;
    for (size_t k = 0; k < n; ++k) {
        ab += (a[k] - mean_a) * (b[k] - mean_b);
        aa += (a[k] - mean_a) * (a[k] - mean_a);
        bb += (b[k] - mean_b) * (b[k] - mean_b);
    }
    return aa > 0.0 && bb > 0.0 ? ab / std::sqrt(aa * bb) : 0.0;
}

// Frames where the signal first rises above a tenth of its peak after 50 ms below it.
std::vector<int64_t> onsets(const std::vector<double>& mono) {
    double peak = 0.0;
    for (double x : mono) peak = std::max(peak, std::fabs(x));
    std::vector<int64_t> found;
    int64_t quiet = RATE;  // the start counts as after silence
    for (size_t k = 0; k < mono.size(); ++k) {
        if (std::fabs(mono[k]) > 0.1 * peak) {
            if (quiet >= RATE / 20) found.push_back(static_cast<int64_t>(k));
            quiet = 0;
        } else {
            ++quiet;
        }
    }
    return found;
}

XmSample sine_sample(uint32_t frames, bool looped) {
    XmSample s;
    s.bits = 16;
    s.frames.resize(frames);
    for (uint32_t i = 0; i < frames; ++i) {
        double decay = looped ? 1.0 : std::exp(-4.0 * i / frames);
        s.frames[i] = static_cast<int16_t>(24000.0 * decay * std::sin(6.283185307179586 * i / 64.0));
    }
    if (looped) {
        s.loop_bits = 1;
        s.loop_start = frames - 640;
        s.loop_length = 640;
    }
    return s;
}

// Two instruments: a decaying tone that ends by itself and a looped tone held until key-off.
XmModule compare_module(uint16_t channels) {
    XmModule m;
    m.channel_count = channels;
    m.tempo = 6;
    m.bpm = 125;
    XmInstrument plucked, held;
    plucked.samples.push_back(sine_sample(3000, false));
    held.samples.push_back(sine_sample(6400, true));
    m.instruments = {plucked, held};
    m.patterns.push_back(xm_empty_pattern(m, 32));
    return m;
}

NoteCell& cell(XmModule& m, int row, int channel) {
    return m.patterns[0].cells[static_cast<size_t>(row) * m.channel_count + static_cast<size_t>(channel)];
}

struct Renders {
    std::vector<double> ours, reference;
};

Renders render_file_both(const std::string& path, int seconds) {
    Renders r;
    r.ours = render_ours(path, int64_t{seconds} * RATE);
    r.reference = render_openmpt(path, seconds);
    return r;
}

Renders render_both(const XmModule& module, int seconds) {
    Renders r;
    std::string dir = temp_dir();
    if (dir.empty()) return r;
    std::string path = dir + "/module.xm";
    if (!write_file(path, xm_write(module))) return r;
    r = render_file_both(path, seconds);
    std::system(("rm -rf '" + dir + "'").c_str());
    return r;
}

class OpenmptCompareTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!openmpt123_available()) GTEST_SKIP() << "openmpt123 is not installed";
    }
};

void expect_same_onsets(const Renders& r, const std::vector<int>& rows) {
    std::vector<int64_t> ours = onsets(r.ours), reference = onsets(r.reference);
    ASSERT_EQ(ours.size(), rows.size());
    ASSERT_EQ(reference.size(), rows.size());
    for (size_t k = 0; k < rows.size(); ++k) {
        int64_t expected = int64_t{rows[k]} * ROW_FRAMES;
        EXPECT_NEAR(ours[k], expected, RATE / 1000) << "note " << k;  // within 1 ms
        EXPECT_NEAR(ours[k], reference[k], RATE / 200) << "note " << k;  // within 5 ms
    }
}

TEST_F(OpenmptCompareTest, DecayingHeldAndMixedNotesStartAndFadeAsTheReferenceHasThem) {
    struct Note { int row, channel; NoteCell cell; };
    struct Case { const char* what; std::vector<Note> notes; std::vector<int> onset_rows; };
    const NoteCell off{NOTE_KEY_OFF, 0, 0, 0, 0};
    const Case cases[] = {
        {"decaying notes that end by themselves",
         {{0, 0, {49, 1, 0, 0, 0}}, {8, 0, {53, 1, 0, 0, 0}}, {16, 0, {56, 1, 0, 0, 0}}, {24, 0, {61, 1, 0, 0, 0}}},
         {0, 8, 16, 24}},
        {"held notes that end at key-off",
         {{2, 1, {46, 2, 0, 0, 0}}, {9, 1, off}, {14, 1, {51, 2, 0x30, 0, 0}}, {22, 1, off}}, {2, 14}},
        {"both channels together, panned",
         {{0, 0, {49, 1, 0, 0, 0}}, {8, 0, {52, 1, 0, 0, 0}}, {16, 0, {55, 1, 0, 0, 0}}, {24, 0, {58, 1, 0, 0, 0}},
          {4, 1, {37, 2, 0, 8, 0x20}}, {12, 1, off}, {20, 1, {42, 2, 0, 8, 0xE0}}},
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        XmModule m = compare_module(2);
        for (const Note& n : c.notes) cell(m, n.row, n.channel) = n.cell;
        Renders r = render_both(m, 3);
        ASSERT_FALSE(r.ours.empty());
        ASSERT_FALSE(r.reference.empty()) << "openmpt123 failed to render";
        if (!c.onset_rows.empty()) expect_same_onsets(r, c.onset_rows);
        EXPECT_GE(correlation(rms_envelope(r.ours), rms_envelope(r.reference)), 0.95);
    }
}

// We differ here on purpose: a volume-column slide runs on every tick of its row, tick 0
// included, so six ticks per row slide where the reference slides five.
TEST_F(OpenmptCompareTest, VolumeColumnSlidesAlsoRunOnTickZeroUnlikeTheReference) {
    XmModule m = compare_module(1);
    cell(m, 0, 0) = {49, 2, 0, 0, 0};
    for (int row = 1; row <= 8; ++row) cell(m, row, 0).volume = 0x61;  // slide down by 1
    Renders r = render_both(m, 2);
    ASSERT_FALSE(r.reference.empty()) << "openmpt123 failed to render";
    std::vector<double> ours = rms_envelope(r.ours), reference = rms_envelope(r.reference);
    size_t start = 2, after = static_cast<size_t>(9 * ROW_FRAMES / ENVELOPE_WINDOW) + 1;
    ASSERT_GT(std::min(ours.size(), reference.size()), after);
    double our_ratio = ours[after] / ours[start];
    double reference_ratio = reference[after] / reference[start];
    EXPECT_NEAR(our_ratio, 16.0 / 64.0, 0.04);        // 64 - 8 rows x 6 ticks
    EXPECT_NEAR(reference_ratio, 24.0 / 64.0, 0.04);  // 64 - 8 rows x 5 ticks
}

// The songs of the shared test data (QUADRISE_XM_TESTDATA, or shared/testdata/xm beside the
// checkout). Two independent references agree with each other at 0.978 to 0.997 on them.
std::string song_dir() {
    if (const char* dir = std::getenv("QUADRISE_XM_TESTDATA")) return dir;
    std::string source = __FILE__;
    return source.substr(0, source.rfind("/tests/audio/")) + "/../shared/testdata/xm";
}

TEST_F(OpenmptCompareTest, RealSongsFollowTheReferenceLoudnessEnvelope) {
    const char* songs[] = {"drozerix-dream-candy.xm", "drozerix-crush.xm", "drozerix-bit-loader.xm",
                           "lachesis-villgust-gaiden-menu.xm"};
    std::string dir = song_dir();
    if (!std::ifstream(dir + "/" + songs[0])) GTEST_SKIP() << "no test songs in " << dir;
    std::string copy_dir = temp_dir();
    ASSERT_FALSE(copy_dir.empty());
    for (const char* song : songs) {
        std::ifstream in(dir + "/" + song, std::ios::binary);
        std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::string path = copy_dir + "/" + song;  // openmpt123 writes its WAV beside the module
        ASSERT_TRUE(write_file(path, bytes));
        Renders r = render_file_both(path, 30);
        ASSERT_FALSE(r.ours.empty()) << song;
        ASSERT_FALSE(r.reference.empty()) << song;
        double c = correlation(rms_envelope(r.ours), rms_envelope(r.reference));
        RecordProperty(song, std::to_string(c));
        std::printf("%-36s 25-ms loudness envelope correlation with openmpt123: %.4f\n", song, c);
        EXPECT_GE(c, 0.9) << song;
    }
    std::system(("rm -rf '" + copy_dir + "'").c_str());
}

}  // namespace
