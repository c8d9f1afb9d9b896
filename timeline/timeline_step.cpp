// The timeline state machine: one step per frame, driven by the music clock.
#include <GL/gl.h>

#include "platform/platform.h"
#include "timeline/timeline.h"

int32_t timeline_state = -3;
uint32_t music_clock_ms = 0;
static const float fog_colour[4] = {0.01f, 0.01f, 0.01f, 1.0f};

static uint32_t clock_at_rest() { return 0; }

static bool nothing_to_start() { return true; }

static void nothing_to_close() {}

uint32_t (*timeline_clock)() = clock_at_rest;
bool (*timeline_music_start)() = nothing_to_start;
void (*timeline_close)() = nothing_to_close;

static void advance() { ++timeline_state; }

static void fog_on() {
    glEnable(GL_FOG);
    glFogi(GL_FOG_MODE, GL_EXP);
    glFogfv(GL_FOG_COLOR, fog_colour);
    glFogf(GL_FOG_DENSITY, 0.03f);
    glHint(GL_FOG_HINT, GL_NICEST);
    // Start and end are set although the exponential mode does not use them.
    glFogf(GL_FOG_START, 200.0f);
    glFogf(GL_FOG_END, 300.0f);
}

static void show_loading() {
    static const float position[3] = {-0.2f, 0.0f, 0.0f};
    static const float colour[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    text_draw("Loading...", position, colour);
    advance();
}

static void bring_up() {
    // The state moves on first, so a failed bring-up closes the window from state -1.
    advance();
    path_build(0, -30.0f, -10.0f, 50.0f, 0.0f, 0.0f);
    if (timeline_music_start()) return;
    message_box("Error music load.", "Error", MESSAGE_OK, ICON_STOP);
    timeline_close();
}

static void tilted_until(uint32_t end, float angle_degrees, float axis_x) {
    if (music_clock_ms >= end) {
        advance();
        return;
    }
    glTranslatef(5.0f, 12.0f, -10.0f);
    glRotatef(angle_degrees, axis_x, 1.0f, 0.0f);
    scene_tilted();
}

static void bands_until(uint32_t end, float depth) {
    if (music_clock_ms >= end) {
        advance();
        return;
    }
    glTranslatef(0.0f, 0.0f, depth);
    scene_bands();
}

static void greetings() {
    glPushMatrix();
    greetings_draw();
    glPopMatrix();
}

// Time-dependent values below: an unsigned 32-bit difference of the clock (wrapping), scaled in
// double precision, handed to GL in single precision.
static void act() {
    uint32_t t = music_clock_ms;
    switch (timeline_state) {
    case -3: show_loading(); break;
    case -2: bring_up(); break;
    case -1:
        if (t > 0) advance();
        break;
    case 0: scene_title(); break;
    case 1: scene_palette(); break;
    case 2:
        tilted_until(SHOW_BANDS_MS, static_cast<float>(static_cast<double>(120000u - t) * 0.01),
                     0.0f);
        break;
    case 3:
        fog_on();
        advance();
        break;
    case 4:
        bands_until(SHOW_TRAIL_MS,
                    static_cast<float>(static_cast<double>(t - SHOW_BANDS_MS) * 0.01));
        break;
    case 5:
        glDisable(GL_FOG);
        advance();
        break;
    case 6:
        greetings();
        scene_trail();
        break;
    case 7:
        fog_on();
        advance();
        break;
    case 8:
        bands_until(SHOW_SPINNING_MS,
                    static_cast<float>(static_cast<double>(t - SHOW_FAR_BANDS_MS) * 0.008 - 10.0));
        break;
    case 9:
        glDisable(GL_FOG);
        advance();
        break;
    case 10:
        tilted_until(SHOW_END_MS, static_cast<float>(static_cast<double>(t) * 0.01), 1.0f);
        break;
    case 11: timeline_close(); break;  // every frame, if the window survives
    default: break;
    }
}

uint32_t timeline_step() {
    glColor3f(1.0f, 1.0f, 1.0f);
    glPushMatrix();
    glTranslatef(-3.0f, -7.0f, -75.0f);
    act();
    glPopMatrix();
    music_clock_ms = timeline_clock();
    return music_clock_ms;
}
