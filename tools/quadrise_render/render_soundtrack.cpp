// quadrise-render soundtrack: the soundtrack exactly as the program plays it (the instruments
// synthesized, the embedded module loaded with them, block by block through render_next_block),
// written as 44100 Hz 16-bit stereo WAV.
#include <cstdio>

#include "synth/synth.h"
#include "tools/media_files/render_wav.h"
#include "tools/quadrise_render/render_commands.h"
#include "tools/quadrise_render/render_options.h"
#include "tools/soundtrack/soundtrack.h"

static const char HELP[] =
    "usage: quadrise-render soundtrack -o OUT.wav [--seconds N]\n"
    "Renders the soundtrack the way the demo plays it and writes 44100 Hz 16-bit stereo\n"
    "WAV: until the music clock reaches 157 s, where the show ends, or N seconds of audio.\n";

// The show ends with the first block whose music clock reaches its end.
static double show_progress(const Song* song) {
    return static_cast<double>(song->time_ms) / SHOW_END_MS;
}

int render_soundtrack_command(int argc, char** argv) {
    const char* command = "soundtrack";
    RenderOptions options;
    int exit_code =
        render_options_parse(command, ACCEPT_OUTPUT | ACCEPT_SECONDS, HELP, argc, argv, &options);
    if (exit_code != RENDER_RUN) return exit_code;
    if (!options.output) return render_refuse(command, "missing -o OUT.wav");
    int result = 1;
    Song* song = nullptr;
    if (!soundtrack_synthesize())
        std::fputs("quadrise-render soundtrack: out of memory\n", stderr);
    else if (!(song = soundtrack_load()))
        std::fprintf(stderr, "quadrise-render soundtrack: the embedded module: %s\n",
                     music_load_error());
    else
        result =
            render_song_to_wav(song, {command, options.output, options.seconds, show_progress});
    music_free(song);
    synth_slots_free();
    return result;
}
