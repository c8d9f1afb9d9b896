// The greetings scroller of the trail state: one line of 25 pieces moving left at 30 units per
// second of music, the last twelve fading out from 118.2 s to 118.7 s.
#include "timeline/timeline.h"

struct GreetingItem {
    const char* text;
    int32_t characters;  // the length the start positions were laid out for
    double start_x;      // x at 107 s, in the units of the base transform
};

// Each start lies 1.5 to 2 units per character behind the previous one, so every text must be
// exactly as long as its characters column.
static constexpr GreetingItem greeting_items[] = {
    {"Ulk, ", 5, 70.0},     {"Brumf, ", 7, 78.0},          {"Gnarlox, ", 9, 89.0},
    {"Pizw, ", 6, 104.0},   {"Kroe, ", 6, 113.0},          {"Wobblegate, ", 12, 123.0},
    {"Fnep, ", 6, 143.0},   {"Tinfrog, ", 9, 153.0},       {"Dustoid, ", 9, 168.0},
    {"Vlim, ", 6, 183.0},   {"Quz, ", 5, 193.0},           {"Blorpa, ", 8, 201.0},
    {"Yzo, ", 5, 214.0},    {"Hexaplumbers, ", 14, 222.0},  // the first of the fading pieces
    {"Drib, ", 6, 245.5},   {"Snarfo, ", 8, 255.0},        {"Glimmox, ", 9, 268.0},
    {"Ploot, ", 7, 283.0},  {"Warbelt, ", 9, 295.0},       {"Zindl, ", 7, 310.0},
    {"Kumquo, ", 8, 321.5}, {"Obb, ", 5, 335.0},           {"Thrumb ", 7, 343.0},
    {"and ", 4, 357.0},     {"all...", 6, 365.0},
};
constexpr int32_t FIRST_FADING_ITEM = 13;

static constexpr bool items_have_their_lengths() {
    for (const GreetingItem& item : greeting_items) {
        int32_t length = 0;
        while (item.text[length] != '\0') ++length;
        if (length != item.characters) return false;
    }
    return true;
}
static_assert(items_have_their_lengths());

void greetings_draw() {
    uint32_t t = music_clock_ms;
    double scrolled = static_cast<double>(t - SHOW_TRAIL_MS) * 0.03;
    text_colour[3] = 1.0f;
    text_pos[1] = -37.0f;
    text_pos[2] = 0.0f;
    int32_t index = 0;
    for (const GreetingItem& item : greeting_items) {
        if (index++ == FIRST_FADING_ITEM) {
            // Negative before 117.5 s, so the fading pieces stay opaque until 118.2 s.
            float since_fade = static_cast<float>(static_cast<double>(t) - 117500.0);
            text_colour[3] = static_cast<float>(2.4 - since_fade * 0.002);
        }
        // Only pieces whose first character lies inside the view are drawn: GL drops a bitmap
        // at a raster position outside it, so each piece leaves the screen as a whole.
        text_pos[0] = static_cast<float>(item.start_x - scrolled);
        text_draw(item.text, text_pos, text_colour);
    }
}
