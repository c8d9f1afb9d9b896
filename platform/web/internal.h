// What the web backend's files share: the page's canvas and the one WebGL context drawn on it.
#pragma once

#include "platform/backend.h"

// The canvas the page holds for the show (index.html).
constexpr const char* CANVAS_SELECTOR = "#canvas";

// Starts delivering the page's key presses to the window (events.cpp); stops again.
void keys_listen();
void keys_stop();
