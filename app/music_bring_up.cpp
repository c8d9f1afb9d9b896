// The music bring-up, run once inside the second frame: the instruments are synthesized, the
// soundtrack is loaded from the program's own resources with its samples filled from them, and
// playback starts.
#include <cstdio>

#include "app/app.h"
#include "audio/audio.h"
#include "synth/synth.h"

Song* demo_song = nullptr;

bool music_bring_up() {
    // Without the rendered instruments the soundtrack would play silent samples: a failure.
    if (!synth_slots_create() || !synth_render_all()) return false;
    music_set_file_callbacks(resource_open, resource_close, resource_read, resource_seek,
                             resource_tell);
    demo_song = music_load("XMMOD", synth_fill_sample);
    if (!demo_song) return false;
    // Without a sound device the show runs in silence, its pictures in step as if the music were
    // heard; say once why there is no sound.
    if (!music_play(demo_song) || music_silent())
        std::fprintf(stderr, "quadrise: no sound: %s\n", music_play_error());
    return true;
}

uint32_t demo_music_clock() { return static_cast<uint32_t>(music_time_ms(demo_song)); }
