// quadrise-render timemap: when each order of the soundtrack starts on the music clock, counted
// as the block renderer counts it, for placing sections on the show's scene changes.
#include <cstdio>

#include "synth/synth.h"
#include "tools/quadrise_render/render_commands.h"
#include "tools/quadrise_render/render_options.h"
#include "tools/soundtrack/soundtrack.h"

static const char HELP[] =
    "usage: quadrise-render timemap\n"
    "Prints one line per order of the soundtrack: the order, its pattern and the music\n"
    "time in milliseconds at which it starts (the clock the show's scenes follow).\n";

int render_timemap_command(int argc, char** argv) {
    const char* command = "timemap";
    RenderOptions options;
    int exit_code = render_options_parse(command, 0, HELP, argc, argv, &options);
    if (exit_code != RENDER_RUN) return exit_code;
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
    for (const OrderStart& start : starts)
        std::printf("%5d %7d %8d\n", start.order, start.pattern, start.time_ms);
    return 0;
}
