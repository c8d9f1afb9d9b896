// The music clock of the soundtrack block by block, for the whole-show test: line b + 1 is what
// the clock reads while the device plays block b (counted from 0 where the music starts), up to
// the block at which the show ends.
#include <cstdio>

#include "audio/audio.h"
#include "tools/soundtrack/soundtrack.h"

int main() {
    Song* song = soundtrack_synthesize() ? soundtrack_load() : nullptr;
    if (!song || !playback_prepare(song)) return 1;
    for (int32_t time = 0; time < int32_t{SHOW_END_MS};) {
        const int32_t block = write_block;
        render_next_block();
        time = block_stamps[block].time;
        std::printf("%d\n", time);
    }
    return 0;
}
