// The progress bar of the long renders: one line on stderr, drawn over itself while a person
// watches a terminal; nothing at all when stderr goes elsewhere.
#pragma once

#include <chrono>

// True when stderr is a terminal, where the bar is drawn.
bool progress_visible();
// Redraws the bar at fraction (0 to 1) done, followed by detail.
void progress_draw(double fraction, const char* detail);
// Ends the bar's line, so that what follows starts on a line of its own.
void progress_end();
// Wall-clock seconds since start, for the elapsed times the renders report.
double seconds_since(std::chrono::steady_clock::time_point start);
