// One fuzz input through the loader and the block renderer, or through the module text reader.
#include "tools/fuzz/fuzz_inputs.h"

#include <cstring>
#include <string>

#include "audio/audio.h"
#include "player/player.h"
#include "resources/resources.h"
#include "tools/soundtrack_source/xm_text.h"
#include "tools/xm_writer/xm_writer.h"

namespace {

// The engine's paths (ticks, rows, effects, envelopes, voice starts) are the same at any mix rate,
// and at a low one the mixer meets its loop ends and ramp ends more often per frame; an input
// mixed at 8000 Hz costs a fifth of one mixed at 44100 Hz.
constexpr int32_t FUZZ_MIX_RATE = 8000;
constexpr int32_t TICKS_TO_PLAY = 300;
constexpr int32_t MAX_BLOCKS = 3 * 1000 / 20;  // 3 s of 20 ms blocks, for slow BPMs
constexpr int32_t MAX_REPLAYED_ROWS = 8;       // rows entered again before playing stops

int32_t ticks_played;
int32_t replayed_rows;
int32_t last_order, last_row;
bool row_played[256][256];  // by order position and row

// Playing stops early once the song keeps coming back to rows it has already played (a loop or
// the song's end), since from there on it replays cells the engine has already run.
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
    for (int32_t block = 0;
         block < MAX_BLOCKS && ticks_played < TICKS_TO_PLAY && replayed_rows < MAX_REPLAYED_ROWS;
         ++block)
        render_next_block();
}

// Loads bytes served as the resource "MUSIC"/"FUZZ"; null when they do not load.
Song* load_from_memory(const uint8_t* data, size_t size) {
    static EmbeddedResource fuzz_resource[1];
    fuzz_resource[0] = {"MUSIC", "FUZZ", data, uint32_t(size)};
    resources_use(fuzz_resource, 1);
    music_set_file_callbacks(resource_open, resource_close, resource_read, resource_seek,
                             resource_tell);
    return music_load("FUZZ", nullptr);
}

// The frame the module texts are read into: the reader works the same over any frame, and a small
// one lets short texts be complete (every pattern written with its row count) and reach the
// write and the load. 4 channels, patterns of 4, 1 and 16 rows, six instruments as the
// soundtrack has.
XmModule text_frame() {
    XmModule module = xm_basic_module(4);
    module.patterns = {xm_empty_pattern(module, 4), xm_empty_pattern(module, 1),
                       xm_empty_pattern(module, 16)};
    module.instruments.resize(6, module.instruments[0]);
    module.orders.clear();
    return module;
}

}  // namespace

bool fuzz_load_xm_input(const uint8_t* data, size_t size) {
    if (size > INT32_MAX) return false;
    const int32_t saved_rate = mix_rate;
    mix_rate = FUZZ_MIX_RATE;
    Song* song = load_from_memory(data, size);
    const bool loaded = song != nullptr;
    if (loaded) {
        play_some_ticks(song);
        music_free(song);  // also releases the playback holding it
    }
    mix_rate = saved_rate;
    return loaded;
}

bool fuzz_xm_text_input(const uint8_t* data, size_t size) {
    XmModule module = text_frame();
    if (!xm_text_read(std::string(reinterpret_cast<const char*>(data), size), &module)) return true;
    const std::vector<uint8_t> bytes = xm_write(module);
    Song* song = load_from_memory(bytes.data(), bytes.size());
    const bool loaded = song != nullptr;
    music_free(song);
    return loaded;
}
