// libFuzzer target: arbitrary bytes go through the loader from memory; a module that loads is
// played for at most 3 s or 300 ticks through the block renderer and freed again. Playing stops
// early once the song keeps coming back to rows it has already played (a loop or the song's
// end), since from there on it replays cells the engine has already run.
// With QUADRISE_WRITE_SEEDS=DIR set it instead writes a seed corpus of writer-made modules to DIR
// and exits.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "audio/audio.h"
#include "resources/resources.h"
#include "player/player.h"
#include "tools/xm_writer.h"

namespace {

// The engine's paths (ticks, rows, effects, envelopes, voice starts) are the same at any mix rate,
// and at a low one the mixer meets its loop ends and ramp ends more often per frame; an input
// mixed at 8000 Hz costs a fifth of one mixed at 44100 Hz.
constexpr int32_t FUZZ_MIX_RATE = 8000;
constexpr int32_t TICKS_TO_PLAY = 300;
constexpr int32_t MAX_BLOCKS = 3 * 1000 / 20;  // 3 s of 20 ms blocks, for slow BPMs
constexpr int32_t MAX_REPLAYED_ROWS = 8;  // rows entered again before playing stops

EmbeddedResource fuzz_resource[1];
int32_t ticks_played;
int32_t replayed_rows;
int32_t last_order, last_row;
bool row_played[256][256];  // by order position and row

void counting_tick(Song* song) {
    ++ticks_played;
    song_tick(song);
    if (song->order_pos == last_order && song->row == last_row) return;
    last_order = song->order_pos;
    last_row = song->row;
    bool& played = row_played[last_order & 0xFF][last_row & 0xFF];
    if (played) ++replayed_rows;
    played = true;
}

void play_some_ticks(Song* song) {
    if (!playback_prepare(song)) return;
    song->tick_callback = counting_tick;
    ticks_played = 0;
    replayed_rows = 0;
    last_order = last_row = -1;
    std::memset(row_played, 0, sizeof row_played);
    for (int32_t block = 0; block < MAX_BLOCKS && ticks_played < TICKS_TO_PLAY &&
                            replayed_rows < MAX_REPLAYED_ROWS;
         ++block)
        render_next_block();
}

// A pattern using every effect type with a varied parameter, with notes, key-offs and
// volume-column bytes, so that mutations start from cells that reach every engine path.
XmPattern busy_pattern(const XmModule& m) {
    XmPattern p = xm_empty_pattern(m, 64);
    for (size_t i = 0; i < p.cells.size(); ++i) {
        NoteCell& c = p.cells[i];
        c.note = i % 7 == 6 ? NOTE_KEY_OFF : uint8_t(1 + (i * 13) % 96);
        c.instrument = uint8_t(1 + i % 3);
        c.volume = uint8_t(0x10 + (i * 5) % 0xF0);
        c.effect = uint8_t(i % 36);
        c.param = uint8_t((i * 37) % 256);
    }
    return p;
}

XmInstrument enveloped_instrument(uint8_t bits, uint8_t loop_bits) {
    XmInstrument ins;
    ins.volume_envelope = {{{0, 64}, {8, 20}, {20, 48}, {40, 0}}, 7, 1, 1, 2, {}};
    ins.panning_envelope = {{{0, 0}, {16, 64}, {32, 32}}, 5, 0, 0, 2, {}};
    ins.vibrato_type = 1;
    ins.vibrato_sweep = 8;
    ins.vibrato_depth = 6;
    ins.vibrato_rate = 40;
    ins.fadeout = 600;
    XmSample s = xm_test_sample(bits, 300);
    s.loop_bits = loop_bits;
    s.loop_start = 40;
    s.loop_length = 200;
    ins.samples = {s, xm_test_sample(bits, 50)};
    for (int k = 48; k < 96; ++k) ins.keymap[k] = 1;
    return ins;
}

std::vector<std::vector<uint8_t>> seed_modules() {
    std::vector<std::vector<uint8_t>> seeds;
    XmModule basic = xm_basic_module(4);
    seeds.push_back(xm_write(basic));

    XmModule busy = xm_basic_module(8);
    busy.patterns = {busy_pattern(busy), xm_empty_pattern(busy, 16)};
    busy.patterns[1].empty_packed = true;
    busy.orders = {0, 1, 0, 3};
    busy.restart_position = 1;
    busy.instruments = {enveloped_instrument(16, 2), enveloped_instrument(8, 1), XmInstrument{}};
    seeds.push_back(xm_write(busy));

    busy.flags = 0;  // the Amiga frequency table
    busy.tempo = 3;
    busy.bpm = 200;
    seeds.push_back(xm_write(busy));

    XmModule wide = xm_basic_module(32);
    wide.patterns = {busy_pattern(wide)};
    wide.instruments = {enveloped_instrument(16, 1), enveloped_instrument(8, 2),
                        enveloped_instrument(16, 0)};
    seeds.push_back(xm_write(wide));
    return seeds;
}

bool write_seeds(const char* directory) {
    std::vector<std::vector<uint8_t>> seeds = seed_modules();
    for (size_t i = 0; i < seeds.size(); ++i) {
        std::string path = std::string(directory) + "/seed_" + std::to_string(i) + ".xm";
        std::FILE* f = std::fopen(path.c_str(), "wb");
        if (!f) return false;
        bool ok = std::fwrite(seeds[i].data(), 1, seeds[i].size(), f) == seeds[i].size();
        ok = std::fclose(f) == 0 && ok;
        if (!ok) return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    const char* seed_directory = std::getenv("QUADRISE_WRITE_SEEDS");
    if (seed_directory) std::exit(write_seeds(seed_directory) ? 0 : 1);
    music_set_file_callbacks(resource_open, resource_close, resource_read, resource_seek,
                             resource_tell);
    mix_rate = FUZZ_MIX_RATE;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > INT32_MAX) return 0;
    fuzz_resource[0] = {"MUSIC", "FUZZ", data, uint32_t(size)};
    resources_use(fuzz_resource, 1);
    Song* song = music_load("FUZZ", nullptr);
    if (!song) return 0;
    play_some_ticks(song);
    music_free(song);  // also releases the playback holding it
    return 0;
}
