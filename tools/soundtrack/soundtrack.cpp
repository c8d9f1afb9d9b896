#include "tools/soundtrack/soundtrack.h"

#include "audio/audio.h"
#include "resources/resources.h"
#include "synth/synth.h"
#include "tools/xm_writer/xm_writer.h"

QUADRISE_RESOURCE_TABLE(quadrise_resources);

constexpr int64_t MAX_ORDER_BLOCKS = 1 << 20;  // about 5.8 hours of music: ends a song that stalls

static std::vector<OrderStart> order_starts;
static int32_t previous_order;

std::vector<uint8_t> soundtrack_module() {
    resources_use(quadrise_resources_table, quadrise_resources_count);
    uint32_t size = 0;
    const unsigned char* bytes = resource_find("MUSIC", "XMMOD", &size);
    return bytes ? std::vector<uint8_t>(bytes, bytes + size) : std::vector<uint8_t>();
}

bool soundtrack_synthesize() { return synth_slots_create() && synth_render_all(); }

Song* soundtrack_load() {
    resources_use(quadrise_resources_table, quadrise_resources_count);
    music_set_file_callbacks(resource_open, resource_close, resource_read, resource_seek,
                             resource_tell);
    return music_load("XMMOD", synth_fill_sample);
}

std::vector<uint8_t> soundtrack_export() {
    std::vector<uint8_t> bytes = soundtrack_module();
    if (!xm_store_samples(bytes, synth_fill_sample)) bytes.clear();
    return bytes;
}

// The tick callback while the orders are timed: an order begins at the tick that starts its
// first row, and the clock at that moment counts every piece mixed before it.
static void note_order_start(Song* song) {
    bool row_start = song->tick == 0;
    song_tick(song);
    if (!row_start || song->row != 0 || song->order_pos == previous_order) return;
    if (!order_starts.empty() && song->order_pos < previous_order) return;  // back round: done
    int32_t order = song->order_pos;
    order_starts.push_back({order, song->order_table[order & 0xFF], song->time_ms});
    previous_order = order;
}

std::vector<OrderStart> song_order_starts(Song* song) {
    order_starts.clear();
    previous_order = -1;
    if (!song || !playback_prepare(song)) return order_starts;
    song->tick_callback = note_order_start;
    for (int64_t block = 0; block < MAX_ORDER_BLOCKS; ++block) {
        render_next_block();
        bool back_round = song->order_pos < previous_order;
        if (back_round || int32_t(order_starts.size()) >= song->song_length) break;
    }
    song->tick_callback = song_tick;
    playback_release();
    return order_starts;
}
