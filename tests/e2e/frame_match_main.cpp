// For the end-to-end tests: the block of the show whose frame a screen shows. The screen shows a
// frame drawn with the clock read a frame or two before the screen was read, so the frames that
// quadrise-render frame draws for the clock of block BLOCK and of each block up to 100 (2 s)
// before it are compared with the screen, nearest first; a frame is on the screen when fewer than
// 800 of its pixels differ there. One process draws them all, where quadrise-render frame would
// load the GL libraries again for each.
//   frame-match SCREEN.png CLOCKS BLOCK
// CLOCKS is show-clock's output: line b + 1 is the clock while block b plays. Prints the block
// found and exits 0; exits 1 when no frame of those blocks is on the screen, 2 when the arguments
// or the files cannot be used.
#include <png.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "tools/frame_render/frame_render.h"

constexpr int32_t BLOCKS_BACK = 100;
constexpr int64_t PIXELS_THAT_MAY_DIFFER = 800;

static int usage_error(const char* what) {
    std::fprintf(stderr, "frame-match: %s\nusage: frame-match SCREEN.png CLOCKS BLOCK\n", what);
    return 2;
}

// The screen as 1024x768 RGB pixels, top row first; false when it cannot be read or has another
// size.
static bool read_screen(const char* path, std::vector<uint8_t>& rgb) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path)) return false;
    if (image.width != FRAME_WIDTH || image.height != FRAME_HEIGHT) {
        png_image_free(&image);
        return false;
    }
    image.format = PNG_FORMAT_RGB;
    rgb.resize(PNG_IMAGE_SIZE(image));
    return png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr) != 0;
}

// Every line of CLOCKS, a clock in ms each.
static bool read_clocks(const char* path, std::vector<uint32_t>& clocks) {
    FILE* file = std::fopen(path, "r");
    if (file == nullptr) return false;
    unsigned long ms = 0;
    while (std::fscanf(file, "%lu", &ms) == 1) clocks.push_back(static_cast<uint32_t>(ms));
    bool whole = std::feof(file) != 0;
    std::fclose(file);
    return whole;
}

static int64_t pixels_differing(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    int64_t differing = 0;
    for (size_t i = 0; i + 2 < a.size(); i += 3)
        differing += a[i] != b[i] || a[i + 1] != b[i + 1] || a[i + 2] != b[i + 2];
    return differing;
}

int main(int argc, char** argv) {
    if (argc != 4) return usage_error("three arguments are needed");
    std::vector<uint8_t> screen;
    if (!read_screen(argv[1], screen)) return usage_error("the screen is no 1024x768 PNG file");
    std::vector<uint32_t> clocks;
    if (!read_clocks(argv[2], clocks)) return usage_error("the clocks cannot be read");
    char* end = nullptr;
    errno = 0;
    long block = std::strtol(argv[3], &end, 10);
    if (errno != 0 || end == argv[3] || *end != '\0' || block < 0 ||
        block >= static_cast<long>(clocks.size()))
        return usage_error("BLOCK must be a block of the show's clock");
    if (!frame_open()) {
        std::fprintf(stderr, "frame-match: cannot draw: %s\n", frame_error());
        return 2;
    }
    std::vector<uint8_t> frame(screen.size());
    for (long b = block; b >= 0 && b >= block - BLOCKS_BACK; --b) {
        frame_render(clocks[static_cast<size_t>(b)]);
        frame_read(frame.data());
        if (pixels_differing(frame, screen) < PIXELS_THAT_MAY_DIFFER) {
            std::printf("%ld\n", b);
            frame_close();
            return 0;
        }
    }
    frame_close();
    return 1;
}
