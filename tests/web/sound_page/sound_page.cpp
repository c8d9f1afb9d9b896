// The sound tests' main module: the music brought up and played as the program does (instruments
// synthesized, the embedded soundtrack loaded, music_play), with no pictures. The page calls
// sound_page_start from the click that unlocks the sound.
#include <emscripten/emscripten.h>

#include <cstdio>

#include "audio/audio.h"
#include "player/player.h"
#include "resources/resources.h"
#include "synth/synth.h"

QUADRISE_RESOURCE_TABLE(quadrise_resources);

static Song* song = nullptr;

// 1 when the music plays (aloud or silently), 0 when it cannot be brought up.
extern "C" EMSCRIPTEN_KEEPALIVE int sound_page_start() {
    if (!song) {
        resources_use(quadrise_resources_table, quadrise_resources_count);
        if (!synth_slots_create() || !synth_render_all()) return 0;
        music_set_file_callbacks(resource_open, resource_close, resource_read, resource_seek,
                                 resource_tell);
        song = music_load("XMMOD", synth_fill_sample);
        if (!song) return 0;
    }
    if (!music_play(song)) return 0;
    if (music_silent()) std::fprintf(stderr, "quadrise: no sound: %s\n", music_play_error());
    return 1;
}

extern "C" EMSCRIPTEN_KEEPALIVE int sound_page_stop() { return music_stop(song) ? 1 : 0; }

extern "C" EMSCRIPTEN_KEEPALIVE int sound_page_silent() { return music_silent() ? 1 : 0; }

int main() { return 0; }
