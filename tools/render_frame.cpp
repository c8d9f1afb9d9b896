// quadrise-render frame: the 1024x768 picture the demo shows at a music time, as PNG.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/platform.h"
#include "tools/frame_render.h"
#include "tools/png_file.h"
#include "tools/render_commands.h"

static const char* const frame_usage = "usage: quadrise-render frame MS -o OUT.png";

struct FrameOptions {
    const char* time;
    const char* output;
};

// One line: what is wrong, then the usage.
static int usage_error(const char* message, const char* detail = "") {
    std::fprintf(stderr, "quadrise-render frame: %s%s (%s)\n", message, detail, frame_usage);
    return 2;
}

// Whole milliseconds, 0 to 4294967295, in decimal digits only.
static bool parse_time(const char* text, uint32_t* ms) {
    if (text[0] < '0' || text[0] > '9') return false;
    char* end = nullptr;
    errno = 0;
    unsigned long long value = std::strtoull(text, &end, 10);
    if (*end != '\0' || errno == ERANGE || value > 0xFFFFFFFFull) return false;
    *ms = static_cast<uint32_t>(value);
    return true;
}

// Returns 0 when the options are complete, 1 for --help, 2 after a usage error. A dash before a
// digit starts a (negative, so refused) time rather than an option.
static int parse_options(int argc, char** argv, FrameOptions* options) {
    *options = FrameOptions{};
    for (int k = 0; k < argc; ++k) {
        const char* arg = argv[k];
        if (std::strcmp(arg, "-h") == 0 || std::strcmp(arg, "--help") == 0) return 1;
        if (std::strcmp(arg, "-o") == 0) {
            if (k + 1 >= argc) return usage_error("-o needs a file name");
            options->output = argv[++k];
        } else if (arg[0] == '-' && arg[1] != '\0' && (arg[1] < '0' || arg[1] > '9')) {
            return usage_error("unknown option ", arg);
        } else if (!options->time) {
            options->time = arg;
        } else {
            return usage_error("only one music time at a time, not also ", arg);
        }
    }
    if (!options->time) return usage_error("missing the music time MS");
    if (!options->output) return usage_error("missing -o OUT.png");
    return 0;
}

int render_frame_command(int argc, char** argv) {
    FrameOptions options;
    int parsed = parse_options(argc, argv, &options);
    if (parsed == 1) {
        std::printf("%s\n%s", frame_usage,
                    "Writes the 1024x768 picture the demo shows when its music clock reads MS\n"
                    "milliseconds, as PNG. Needs an X display (Xvfb will do); plays no sound.\n");
        return 0;
    }
    if (parsed != 0) return parsed;
    uint32_t ms = 0;
    if (!parse_time(options.time, &ms)) {
        return usage_error("MS must be whole milliseconds from 0 to 4294967295, not ", options.time);
    }
    if (const char* why = frame_open()) {
        std::fprintf(stderr, "quadrise-render frame: cannot draw: %s\n", why);
        return 1;
    }
    bool shown = frame_render(ms);
    std::vector<uint8_t> rgb(static_cast<size_t>(FRAME_WIDTH) * FRAME_HEIGHT * 3);
    frame_read(rgb.data());
    frame_close();
    platform_close();
    if (!shown) {
        std::fprintf(stderr, "quadrise-render frame: the show is over by %u ms: the demo has closed its window\n", ms);
        return 1;
    }
    if (!png_write_rgb(options.output, rgb.data(), FRAME_WIDTH, FRAME_HEIGHT)) {
        std::fprintf(stderr, "quadrise-render frame: cannot write %s: %s\n", options.output, png_error_text());
        return 1;
    }
    std::printf("%s: the frame at %u ms\n", options.output, ms);
    return 0;
}
