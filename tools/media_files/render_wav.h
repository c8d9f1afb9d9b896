// The WAV files quadrise-render writes: 16-bit PCM through libsndfile, each written whole or not
// at all (tools/output_file/output_file.h).
#pragma once

#include <sndfile.h>

#include "player/player.h"
#include "tools/output_file/output_file.h"

// Opens the temporary file of output as a 16-bit PCM WAV file; null when it cannot be created.
SNDFILE* wav_create(const OutputFile& output, int sample_rate, int channels);
// Closes the file and renames it over its target when complete is true and all went well;
// otherwise removes it. False when the file was not written; wav_error() then says why ("a short
// write" when complete is false).
bool wav_finish(SNDFILE* file, const OutputFile& output, bool complete);
// Why the last wav_finish failed, as one line.
const char* wav_error();

// Where a render without --seconds ends: called after every block, it returns how much of the
// render is done, 0 to 1, and 1 or more once the block just rendered is the last.
typedef double (*RenderProgress)(const Song* song);

struct WavRender {
    const char* command;  // the subcommand, for messages
    const char* output;   // the WAV file
    double seconds;       // above 0: exactly this much audio; else until progress says
    RenderProgress progress;
};

// Plays the loaded song from its start through the block renderer into a 44100 Hz stereo WAV file,
// block by block as the device would hear it, reports the speed on stdout and returns the exit
// code. A render without --seconds stops after 10 minutes at the latest.
int render_song_to_wav(Song* song, const WavRender& render);
