// quadrise-render: offline renders of the synthesizer's instruments, of XM modules and of the
// demo's frames.
#include <cstdio>
#include <cstring>

#include "tools/render_commands.h"

static void print_usage(FILE* to) {
    std::fputs(
        "usage: quadrise-render instruments DIR\n"
        "       quadrise-render module FILE.xm -o OUT.wav [--seconds N]\n"
        "       quadrise-render frame MS -o OUT.png\n",
        to);
}

int main(int argc, char** argv) {
    if (argc < 2) {
        print_usage(stderr);
        return 2;
    }
    if (std::strcmp(argv[1], "instruments") == 0) return render_instruments_command(argc - 2, argv + 2);
    if (std::strcmp(argv[1], "module") == 0) return render_module_command(argc - 2, argv + 2);
    if (std::strcmp(argv[1], "frame") == 0) return render_frame_command(argc - 2, argv + 2);
    if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        print_usage(stdout);
        return 0;
    }
    std::fprintf(stderr, "quadrise-render: unknown command '%s'\n", argv[1]);
    print_usage(stderr);
    return 2;
}
