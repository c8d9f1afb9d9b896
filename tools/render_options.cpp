#include "tools/render_options.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

constexpr double MAX_SECONDS = 86400.0;

int render_refuse(const char* command, const char* message) {
    std::fprintf(stderr, "quadrise-render %s: %s (see quadrise-render %s --help)\n", command, message, command);
    return 2;
}

static bool parse_seconds(const char* text, double* seconds) {
    char* end = nullptr;
    *seconds = std::strtod(text, &end);
    return end != text && *end == '\0' && *seconds > 0.0 && *seconds <= MAX_SECONDS;
}

int render_options_parse(const char* command, uint32_t accepted, const char* help, int argc, char** argv,
                         RenderOptions* options) {
    *options = RenderOptions{};
    for (int k = 0; k < argc; ++k) {
        const char* arg = argv[k];
        bool output = std::strcmp(arg, "-o") == 0 && (accepted & ACCEPT_OUTPUT);
        bool seconds = std::strcmp(arg, "--seconds") == 0 && (accepted & ACCEPT_SECONDS);
        if (std::strcmp(arg, "-h") == 0 || std::strcmp(arg, "--help") == 0) {
            std::fputs(help, stdout);
            return 0;
        }
        if ((output || seconds) && k + 1 >= argc) {
            return render_refuse(command, output ? "-o needs a file name" : "--seconds needs a number");
        }
        if (output) {
            options->output = argv[++k];
        } else if (seconds) {
            if (!parse_seconds(argv[++k], &options->seconds))
                return render_refuse(command, "--seconds needs a number of seconds above 0 and at most 86400");
        } else if (std::strcmp(arg, "--bare") == 0 && (accepted & ACCEPT_BARE)) {
            options->bare = true;
        } else if (arg[0] == '-' && arg[1] != '\0') {
            return render_refuse(command, ("unknown option '" + std::string(arg) + "'").c_str());
        } else if (!(accepted & ACCEPT_FILE) || options->file) {
            return render_refuse(command, ("unexpected argument '" + std::string(arg) + "'").c_str());
        } else {
            options->file = arg;
        }
    }
    return RENDER_RUN;
}
