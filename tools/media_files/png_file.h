// 8-bit RGB pictures written as PNG files, through libpng.
#pragma once

#include <cstdint>

// Writes width x height RGB pixels, top row first. False when the file cannot be written, with
// nothing left behind; png_error_text() says why.
bool png_write_rgb(const char* path, const uint8_t* rgb, int32_t width, int32_t height);
const char* png_error_text();
