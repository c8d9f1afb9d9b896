// 8-bit RGB pictures written as PNG files, through libpng's simplified interface (its errors come
// back as results with a message, never as a jump out of our code).
#include "tools/media_files/png_file.h"

#include <png.h>

#include <cstdio>
#include <cstring>

static char error_text[128] = "";

static bool fail(const png_image& image) {
    std::snprintf(error_text, sizeof error_text, "%s", image.message);
    return false;
}

static png_image rgb_image(int32_t width, int32_t height) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = PNG_FORMAT_RGB;
    return image;
}

bool png_write_rgb(const char* path, const uint8_t* rgb, int32_t width, int32_t height) {
    png_image image = rgb_image(width, height);
    if (png_image_write_to_file(&image, path, 0, rgb, 0, nullptr)) return true;
    std::remove(path);
    return fail(image);
}

const char* png_error_text() { return error_text; }
