// The demo timeline: a state machine stepped once per frame by the music clock, the scenes it
// draws, the fractal point path they stand on and the text overlay.
#pragma once

#include <cstdint>

// ---- The show's times -----------------------------------------------------------------------
// Music times in ms at which the show changes, in show order: what the states and scenes compare
// the clock with, and where the tools and tests find them.
constexpr uint32_t SHOW_FIRST_TITLE_MS = 5500;       // "a new trackmo" and the cubes appear
constexpr uint32_t SHOW_SECOND_TITLE_MS = 12000;     // "by KOLMIRAS", palette B
constexpr uint32_t SHOW_CUBES_ALONE_MS = 17400;      // the titles gone, palette A
constexpr uint32_t SHOW_TITLE_SCENE_END_MS = 45000;  // the title scene's last frame is past this
constexpr uint32_t SHOW_PALETTE_B_MS = 55000;        // the palette scene changes palette
constexpr uint32_t SHOW_TILTED_MS = 75000;           // the tilted, spinning path
constexpr uint32_t SHOW_BANDS_MS = 90000;            // the four fogged bands
constexpr uint32_t SHOW_TRAIL_MS = 107000;           // the trail and the greetings
constexpr uint32_t SHOW_FAR_BANDS_MS = 119000;       // the bands again, moving away
constexpr uint32_t SHOW_SPINNING_MS = 143500;        // the path spinning about a tilted axis
constexpr uint32_t SHOW_END_MS = 157000;             // the window closes

// ---- State machine --------------------------------------------------------------------------
extern int32_t timeline_state;   // -3 .. 11 act; starts at -3
extern uint32_t music_clock_ms;  // music time read at the end of the previous frame

// What the timeline needs from the program around it, handed over before its first frame (the
// demo's window procedure does so when its window is made): the clock it reads once per frame,
// what the start-up frame runs after building the path (false: the music could not be loaded),
// and how it closes the demo's window. Until then the clock stays at 0, there is no music to start
// and closing does nothing; tools and tests put their own here after the window is made.
extern uint32_t (*timeline_clock)();
extern bool (*timeline_music_start)();
extern void (*timeline_close)();

// One frame of the demo, between the buffer clear and the swap. Returns the new clock value.
uint32_t timeline_step();

// ---- Scenes ---------------------------------------------------------------------------------
// Each reads music_clock_ms and the point path; scene_title, scene_palette and scene_trail
// advance timeline_state at their end times.
void scene_title();
void scene_palette();
void scene_tilted();
void scene_bands();
void scene_trail();

// ---- Cubes ----------------------------------------------------------------------------------
// How the scenes hand their cubes to GL: all of a scene's cubes at once from one vertex array
// (the default), or one at a time through the matrix stack (QUADRISE_DRAW=immediate), which draws
// the same pictures and is kept to compare with.
enum CubeDrawing { CUBES_BATCHED, CUBES_IMMEDIATE };
extern CubeDrawing cube_drawing;

// The current modelview becomes the frame of the cubes added after it; call it again when the
// scene moves that frame on between cubes.
void cubes_begin();
// A unit cube at (x, y, z) of the frame, turned by degrees about its y axis when spin is set, lit
// in colour (RGB, the ambient and diffuse material).
void cube_add(float x, float y, float z, bool spin, float degrees, const float* colour);
// Draws the cubes added since the scene began.
void cubes_end();
// The strips the batch finds hidden faces in, side by side: 0 (the default) for one for each
// processor once a scene has many cubes, else that many (at most 4); the faces found are the same.
extern int32_t cube_culling_parts;
// What the last batch sent to GL, after leaving out what cannot show: cubes and triangles.
extern int32_t cubes_sent;
extern int32_t cube_triangles_sent;

// ---- Fractal point path ---------------------------------------------------------------------
constexpr int32_t PATH_CAPACITY = 32768;
extern float path_points[PATH_CAPACITY];  // point k: x at 2k, y at 2k + 1; the rest stays zero
extern int32_t path_len;                  // floats stored, two per point

// Appends the start points of the leaf segments of the curve from (x1, y1) to (x2, y2);
// depth 0 gives 2048 points. Depths above 11 are outside the contract.
void path_build(int32_t depth, float x1, float y1, float x2, float y2, float angle);

// ---- Text -----------------------------------------------------------------------------------
// The raster position and colour shared by the titles and the greetings; only the alpha of the
// colour ever changes, so text is always white.
extern float text_pos[3];
extern float text_colour[4];

// Draws text in the 9x15 bitmap font at a 3D raster position, unlit, in colour (RGBA);
// leaves the current colour and lighting as they were.
void text_draw(const char* text, const float* position, const float* colour);

// The greetings line of the trail state: 25 pieces scrolling right to left across the lower
// part of the screen, the last twelve fading out before the state ends.
void greetings_draw();
