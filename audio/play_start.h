// What the two playbacks through a device share (audio/music_output.cpp on the desktop,
// audio/music_output_web.cpp in the browser): the reason music_play_error() gives, and the start
// of music_play before the device.
#pragma once

#include "player/player.h"

// Why the last music_play failed or plays in silence, as one line; empty when it plays aloud.
extern char play_error[256];
void keep_reason(const char* reason);
// Keeps the reason and returns false.
bool play_failed(const char* reason);

// The reason cleared, any earlier playback stopped, the stream callbacks checked and the ring
// prepared. False, with the reason kept, when the Song cannot play.
bool play_begin(Song* song);
