// The start of music_play that the desktop's and the browser's playbacks share.
#include "audio/play_start.h"

#include <cstdio>

#include "audio/audio.h"

char play_error[256] = "";

void keep_reason(const char* reason) { std::snprintf(play_error, sizeof play_error, "%s", reason); }

bool play_failed(const char* reason) {
    keep_reason(reason);
    return false;
}

const char* music_play_error() { return play_error; }

bool play_begin(Song* song) {
    keep_reason("");
    if (!song) return play_failed("no song to play");
    music_stop(song);
    if (!music_file_callbacks_set()) return play_failed("the stream callbacks are not registered");
    if (!playback_prepare(song)) return play_failed("out of memory for the block ring");
    return true;
}
