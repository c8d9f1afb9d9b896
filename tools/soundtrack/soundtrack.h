// The soundtrack as the program plays it, for the tools and tests: the embedded "MUSIC"/"XMMOD"
// module, its instruments synthesized and loaded into it the way the music bring-up does, and
// where its orders start on the music clock.
#pragma once

#include <cstdint>
#include <vector>

#include "player/player.h"
#include "timeline/timeline.h"  // SHOW_END_MS, where the show closes

// The embedded module's bytes (the file as built, all sample data zero).
std::vector<uint8_t> soundtrack_module();
// Renders the six instruments into fresh sample slots (freed with synth_slots_free). False when
// memory runs out.
bool soundtrack_synthesize();
// Loads the embedded module through the resource stream, its samples filled from the synthesized
// instruments. Null when it does not load (music_load_error says why).
Song* soundtrack_load();
// The embedded module with the synthesized instruments stored as its 16-bit sample data, as the
// loader would hand them to the player. Empty when the module's structure cannot be walked.
std::vector<uint8_t> soundtrack_export();

struct OrderStart {
    int32_t order;
    int32_t pattern;
    int32_t time_ms;  // the Song's time_ms when the order's first row begins
};

// Plays the song once through its order list with the block renderer and notes when each order
// begins on the music clock. Empty when playback cannot be prepared.
std::vector<OrderStart> song_order_starts(Song* song);
