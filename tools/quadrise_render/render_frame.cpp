// quadrise-render frame: the 1024x768 picture the demo shows at a music time, as PNG.
#include <cstdio>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "tools/frame_render/frame_render.h"
#include "tools/media_files/png_file.h"
#include "tools/output_file/output_file.h"
#include "tools/quadrise_render/render_commands.h"
#include "tools/quadrise_render/render_options.h"

static const char HELP[] =
    "usage: quadrise-render frame MS -o OUT.png\n"
    "Writes the 1024x768 picture the demo shows when its music clock reads MS\n"
    "milliseconds, as PNG. Draws on the X display when there is one, else off screen\n"
    "through EGL; plays no sound.\n";

// The picture goes to a temporary file that replaces OUT.png only once it is whole. False, with
// the reason said on stderr, when it cannot be written.
static bool write_picture(const char* path, const uint8_t* rgb) {
    OutputFile output = output_begin(path);
    bool drawn = png_write_rgb(output.temp.c_str(), rgb, FRAME_WIDTH, FRAME_HEIGHT);
    if (drawn && output_commit(output)) return true;
    std::fprintf(stderr, "quadrise-render frame: cannot write %s: %s\n", path,
                 drawn ? output_error() : png_error_text());
    return false;
}

int render_frame_command(int argc, char** argv) {
    const char* command = "frame";
    RenderOptions options;
    int exit_code =
        render_options_parse(command, ACCEPT_FILE | ACCEPT_OUTPUT, HELP, argc, argv, &options);
    if (exit_code != RENDER_RUN) return exit_code;
    if (!options.file) return render_refuse(command, "missing the music time MS");
    if (!options.output) return render_refuse(command, "missing -o OUT.png");
    uint32_t ms = 0;
    if (!render_parse_ms(options.file, &ms)) {
        std::string why = "MS must be whole milliseconds from 0 to 4294967295, not '";
        return render_refuse(command, (why + options.file + "'").c_str());
    }
    if (!frame_open()) {
        std::fprintf(stderr, "quadrise-render frame: cannot draw: %s\n", frame_error());
        return 1;
    }
    bool shown = frame_render(ms);
    std::vector<uint8_t> rgb(static_cast<size_t>(FRAME_WIDTH) * FRAME_HEIGHT * 3);
    frame_read(rgb.data());
    frame_close();
    platform_close();
    if (!shown) {
        std::fprintf(
            stderr,
            "quadrise-render frame: the show is over by %u ms: the demo has closed its window\n",
            ms);
        return 1;
    }
    if (!write_picture(options.output, rgb.data())) return 1;
    std::printf("%s: the frame at %u ms\n", options.output, ms);
    return 0;
}
