// quadrise-render timemap: when each order of the soundtrack starts on the music clock, counted
// as the block renderer counts it, for placing sections on the show's scene changes.
#include <cstdio>

#include "synth/synth.h"
#include "tools/render_commands.h"
#include "tools/render_options.h"
#include "tools/soundtrack.h"

int render_timemap_command(int argc, char** argv) {
    const char* command = "timemap";
    RenderOptions options;
    RenderParse parsed = render_options_parse(command, 0, argc, argv, &options);
    if (parsed == PARSE_HELP) {
        std::puts("usage: quadrise-render timemap\n"
                  "Prints one line per order of the soundtrack: the order, its pattern and the music\n"
                  "time in milliseconds at which it starts (the clock the show's scenes follow).");
        return 0;
    }
    if (parsed == PARSE_REFUSED) return 2;
    Song* song = nullptr;
    std::vector<OrderStart> starts;
    if (soundtrack_synthesize() && (song = soundtrack_load())) starts = song_order_starts(song);
    music_free(song);
    synth_slots_free();
    if (starts.empty()) {
        std::fputs("quadrise-render timemap: the soundtrack could not be played\n", stderr);
        return 1;
    }
    std::puts("order pattern start_ms");
    for (const OrderStart& start : starts) std::printf("%5d %7d %8d\n", start.order, start.pattern, start.time_ms);
    return 0;
}
