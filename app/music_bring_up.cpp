// The music bring-up, run once inside the second frame.
#include "app/app.h"

Song* demo_song = nullptr;

// Until the audio output exists the soundtrack is neither synthesized nor loaded: the bring-up
// succeeds without music, demo_song stays null and the music clock stays 0, so the timeline
// waits in its first state on a black screen. The audio work replaces this body with the
// synthesis, the load from the "MUSIC"/"XMMOD" resource and the start of playback.
bool music_bring_up() {
    return true;
}
