// The demo's pictures without the demo: a hidden 1024x768 window with the demo's own window
// procedure (its GL set-up and projection), on the X display or, without one, off screen, and the
// timeline walked to any music time on a clock of its own, with no music started.
#pragma once

#include <cstdint>

constexpr int32_t FRAME_WIDTH = 1024;
constexpr int32_t FRAME_HEIGHT = 768;

// Opens the X display, or EGL off screen where there is none, and the hidden window, which becomes
// main_window. False when either cannot be opened; frame_error() then says why.
bool frame_open();
// Why the last frame_open failed, as one line.
const char* frame_error();
// Closes the window (the display stays open).
void frame_close();

// The demo's start-up frames ("Loading...", then the path built, no music started): the timeline
// from its first state until it waits for the music clock, which reads 0.
void frame_start();
// Walks the timeline from its first state and draws, into the back buffer, the frame the demo
// draws when its clock reads ms. False when the show has ended before that frame: the demo has
// closed its window by then (the frame is still drawn, as the cleared screen).
bool frame_render(uint32_t ms);
// One more frame, the clock having moved on to ms: what the demo's frame pump does next.
void frame_draw(uint32_t ms);
// Frames at clock ms until one leaves the state as it found it, as the demo draws while its
// clock stays at ms: the picture it shows for the rest of that block step.
void frame_settle(uint32_t ms);
// The frame last drawn, FRAME_WIDTH x FRAME_HEIGHT RGB pixels, top row first.
void frame_read(uint8_t* rgb);
// The same pixels in GL's order, bottom row first.
void frame_read_rows(uint8_t* rgb);
