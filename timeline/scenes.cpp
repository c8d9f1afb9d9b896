// The cube scenes. They draw nothing yet; the three that end their timeline state on their own
// already do so at their end times.
#include "timeline/timeline.h"

void scene_title() {
    // The title scene ends after drawing its last frame.
    if (music_clock_ms > 45000) ++timeline_state;
}

void scene_palette() {
    if (music_clock_ms >= 75000) ++timeline_state;
}

void scene_tilted() {}

void scene_bands() {}

void scene_trail() {
    if (music_clock_ms >= 119000) ++timeline_state;
}
