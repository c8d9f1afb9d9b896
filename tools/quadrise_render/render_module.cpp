// quadrise-render module: plays an XM file through the player and writes what the device would
// hear, block by block through render_next_block, as 16-bit stereo PCM WAV.
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "player/player.h"
#include "tools/media_files/render_wav.h"
#include "tools/quadrise_render/render_commands.h"
#include "tools/quadrise_render/render_options.h"

static const char HELP[] =
    "usage: quadrise-render module FILE.xm -o OUT.wav [--seconds N]\n"
    "Plays FILE.xm and writes 44100 Hz 16-bit stereo WAV: N seconds, or until the\n"
    "song ends or repeats itself (at most 10 minutes).\n";

// Where the song has been: the end of a song is the first time it passes its last order or
// goes back to an order (or, within one order, to a row) it has already played.
struct SongTrail {
    bool seen[256];
    int32_t order;
    int32_t row;
};

static SongTrail trail;

// Every song starts at row 0 of order 0.
static void trail_start() {
    std::memset(trail.seen, 0, sizeof trail.seen);
    trail.order = 0;
    trail.row = 0;
    trail.seen[0] = true;
}

// True when the song, after the latest block, has ended or started to repeat itself.
static bool trail_reached_end(const Song* song) {
    int32_t order = song->order_pos;
    int32_t row = song->row;
    bool ended = false;
    if (order != trail.order) {
        bool passed_last = trail.order == song->song_length - 1 && order < trail.order;
        ended = passed_last || trail.seen[order & 0xFF];
        trail.seen[order & 0xFF] = true;
    } else if (row < trail.row && !song_pattern_loop_active(song)) {
        // Back to an earlier row of the same order without a pattern loop: a jump or a restart
        // into the order being played.
        ended = true;
    }
    trail.order = order;
    trail.row = row;
    return ended;
}

static double song_progress(const Song* song) {
    return trail_reached_end(song) ? 1.0 : static_cast<double>(trail.order) / song->song_length;
}

int render_module_command(int argc, char** argv) {
    const char* command = "module";
    RenderOptions options;
    int exit_code = render_options_parse(command, ACCEPT_FILE | ACCEPT_OUTPUT | ACCEPT_SECONDS,
                                         HELP, argc, argv, &options);
    if (exit_code != RENDER_RUN) return exit_code;
    if (!options.file) return render_refuse(command, "missing the module file");
    if (!options.output) return render_refuse(command, "missing -o OUT.wav");
    music_set_file_callbacks(file_open, file_close, file_read, file_seek, file_tell);
    Song* song = music_load(options.file, nullptr);
    if (!song) {
        std::fprintf(stderr, "quadrise-render module: %s: %s\n", options.file, music_load_error());
        return 1;
    }
    trail_start();
    int result =
        render_song_to_wav(song, {command, options.output, options.seconds, song_progress});
    music_free(song);
    return result;
}
