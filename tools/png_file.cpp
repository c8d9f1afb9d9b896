// 8-bit RGB pictures as PNG files, through libpng's simplified interface (its errors come back as
// results with a message, never as a jump out of our code).
#include "tools/png_file.h"

#include <png.h>

#include <cstdio>
#include <cstring>

constexpr int32_t MAX_SIDE = 8192;  // pixels; larger pictures are refused rather than allocated

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

bool png_read_rgb(const char* path, std::vector<uint8_t>* rgb, int32_t* width, int32_t* height) {
    png_image image = rgb_image(0, 0);
    if (!png_image_begin_read_from_file(&image, path)) return fail(image);
    if (image.width > png_uint_32{MAX_SIDE} || image.height > png_uint_32{MAX_SIDE}) {
        png_image_free(&image);
        std::snprintf(error_text, sizeof error_text, "picture larger than %dx%d", MAX_SIDE, MAX_SIDE);
        return false;
    }
    image.format = PNG_FORMAT_RGB;
    rgb->resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, rgb->data(), 0, nullptr)) return fail(image);
    *width = static_cast<int32_t>(image.width);
    *height = static_cast<int32_t>(image.height);
    return true;
}

const char* png_error_text() {
    return error_text;
}
