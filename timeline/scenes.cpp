// The cube scenes: lit unit cubes on the points of the fractal path, coloured by sine waves that
// travel along the path with the music time. The time expressions are unsigned 32-bit
// differences of the clock, scaled in double and handed to GL in single precision.
#include <GL/gl.h>

#include <cmath>

#include "timeline/timeline.h"

// The colour phase falls by one every PHASE_SPREAD floats along the path.
constexpr double PHASE_SPREAD = 565.4866776461622;

enum Palette { PALETTE_A, PALETTE_B, PALETTE_C };

// The phase of the cube being drawn, kept in single precision: the colour is computed from the
// rounded value, not from the double it came from.
static float cube_phase = 0.0f;

static double scaled(uint32_t time, double speed) { return static_cast<double>(time) * speed; }

// Sets cube_phase and the colour (which the colour material turns into ambient and diffuse).
// Negative components light to black, which makes the dark gaps between the bands.
static void cube_colour(Palette palette, double time_phase, double index_phase, float* rgb) {
    cube_phase = static_cast<float>(time_phase - index_phase);
    double phase = cube_phase;
    switch (palette) {
    case PALETTE_A:
        rgb[0] = static_cast<float>(std::sin(0.3 * phase));
        rgb[1] = 0.0f;
        rgb[2] = static_cast<float>(std::sin(0.3 * (phase - 45.0)));
        break;
    case PALETTE_B:
        rgb[0] = static_cast<float>(std::sin(0.3 * (phase - 60.0)));
        rgb[1] = static_cast<float>(std::sin(0.3 * phase));
        rgb[2] = 0.0f;
        break;
    case PALETTE_C:
        rgb[0] = static_cast<float>(std::sin(0.02 * phase));
        rgb[1] = 0.0f;
        rgb[2] = static_cast<float>(std::sin(0.01 * (phase - 45.0)));
        break;
    }
}

// A unit cube on the path point whose x is at float index i, optionally spinning about y.
static void path_cube(uint32_t i, Palette palette, double time_phase, float z, bool spin) {
    float rgb[3];
    cube_colour(palette, time_phase, static_cast<double>(i) / PHASE_SPREAD, rgb);
    float degrees = spin ? static_cast<float>(scaled(music_clock_ms, 0.1)) : 0.0f;
    cube_add(path_points[i], path_points[i + 1], z, spin, degrees, rgb);
}

// One flat, still cube on every point of the path.
static void flat_path(Palette palette, double time_phase) {
    cubes_begin();
    for (uint32_t i = 0; i < static_cast<uint32_t>(path_len); i += 2) {
        path_cube(i, palette, time_phase, 0.0f, false);
    }
    cubes_end();
}

static void title_text(const char* text, float alpha) {
    text_pos[0] = -15.0f;
    text_pos[1] = -15.0f;
    text_pos[2] = 0.0f;
    text_colour[3] = alpha;  // above 1 at first: GL clamps it to opaque
    text_draw(text, text_pos, text_colour);
}

void scene_title() {
    uint32_t t = music_clock_ms;
    if (t < SHOW_FIRST_TITLE_MS) return;
    if (t < SHOW_SECOND_TITLE_MS) {
        title_text("a new trackmo", static_cast<float>(2.4 - static_cast<double>(t) / 5000.0));
        flat_path(PALETTE_A, scaled(t - SHOW_FIRST_TITLE_MS, 0.0032));
    } else if (t < SHOW_CUBES_ALONE_MS) {
        title_text("by KOLMIRAS",
                   static_cast<float>(2.4 - static_cast<double>(t - SHOW_FIRST_TITLE_MS) / 5000.0));
        flat_path(PALETTE_B, scaled(t - SHOW_SECOND_TITLE_MS, 0.0032));
    } else {
        flat_path(PALETTE_A, scaled(t, 0.01));
        // The title scene ends after drawing its last frame.
        if (t > SHOW_TITLE_SCENE_END_MS) ++timeline_state;
    }
}

void scene_palette() {
    uint32_t t = music_clock_ms;
    if (t >= SHOW_TILTED_MS) {
        ++timeline_state;
        return;
    }
    flat_path(t < SHOW_PALETTE_B_MS ? PALETTE_A : PALETTE_B, scaled(t, 0.01));
}

void scene_tilted() {
    double time_phase = scaled(music_clock_ms, 0.01);
    cubes_begin();
    for (uint32_t i = 0; i < static_cast<uint32_t>(path_len); i += 2) {
        path_cube(i, PALETTE_A, time_phase, -path_points[i + 1], true);
    }
    cubes_end();
}

void scene_bands() {
    uint32_t t = music_clock_ms;
    glRotatef(90.0f, 0.0f, 1.0f, 0.0f);
    glRotatef(90.0f, 1.0f, 0.0f, 0.0f);
    double late_phase = scaled(t - 5000u, 0.01);
    for (int band = 0; band < 4; ++band) {
        cubes_begin();
        // Only the first band's near row runs ahead of the far row; later bands match.
        double near_phase = band == 0 ? scaled(t, 0.01) : late_phase;
        for (uint32_t i = 0; i < static_cast<uint32_t>(path_len); i += 2) {
            path_cube(i, PALETTE_A, near_phase, -2.0f, true);
            path_cube(i, PALETTE_A, late_phase, -10.0f, true);
        }
        if (band < 3) glTranslatef(30.0f, 0.0f, 0.0f);
    }
    cubes_end();
}

void scene_trail() {
    uint32_t t = music_clock_ms;
    if (t >= SHOW_FAR_BANDS_MS) {
        ++timeline_state;
        return;
    }
    // One cube every 2 ms since 107 s. Past point 2047 the cubes read the zero-filled rest of the
    // path and pile up at (0, 0, -2); by 119 s the index stays well inside the array. A clock
    // read from before 107 s (a stale block stamp) would wrap the count: the trail is empty then.
    uint32_t floats = t >= SHOW_TRAIL_MS ? t - SHOW_TRAIL_MS : 0;
    double time_phase = scaled(t, 0.1);
    cubes_begin();
    for (uint32_t i = 0; i < floats; i += 2) path_cube(i, PALETTE_C, time_phase, -2.0f, true);
    cubes_end();
}
