// quadrise-render: offline renders of the synthesizer's instruments, of XM modules and of the
// soundtrack, the soundtrack's module and time map, the demo's frames and the show as a video.
#include <cstdio>
#include <cstring>

#include "tools/quadrise_render/render_commands.h"

static void print_usage(FILE* to) {
    std::fputs(
        "usage: quadrise-render instruments DIR\n"
        "       quadrise-render module FILE.xm -o OUT.wav [--seconds N]\n"
        "       quadrise-render soundtrack -o OUT.wav [--seconds N]\n"
        "       quadrise-render export-xm OUT.xm [--bare]\n"
        "       quadrise-render timemap\n"
        "       quadrise-render frame MS -o OUT.png\n"
        "       quadrise-render video -o OUT.mp4 [--fps N] [--from MS] [--to MS] [--crf N]\n"
        "       quadrise-render --help | --version\n"
        "Each command explains itself with --help.\n",
        to);
}

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fputs("quadrise-render: missing a command (see quadrise-render --help)\n", stderr);
        return 2;
    }
    if (std::strcmp(argv[1], "instruments") == 0)
        return render_instruments_command(argc - 2, argv + 2);
    if (std::strcmp(argv[1], "module") == 0) return render_module_command(argc - 2, argv + 2);
    if (std::strcmp(argv[1], "soundtrack") == 0)
        return render_soundtrack_command(argc - 2, argv + 2);
    if (std::strcmp(argv[1], "export-xm") == 0) return render_export_xm_command(argc - 2, argv + 2);
    if (std::strcmp(argv[1], "timemap") == 0) return render_timemap_command(argc - 2, argv + 2);
    if (std::strcmp(argv[1], "frame") == 0) return render_frame_command(argc - 2, argv + 2);
    if (std::strcmp(argv[1], "video") == 0) return render_video_command(argc - 2, argv + 2);
    if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        print_usage(stdout);
        return 0;
    }
    if (std::strcmp(argv[1], "--version") == 0) {
        std::puts("quadrise-render " QUADRISE_VERSION);
        return 0;
    }
    std::fprintf(stderr, "quadrise-render: unknown command '%s' (see quadrise-render --help)\n",
                 argv[1]);
    return 2;
}
