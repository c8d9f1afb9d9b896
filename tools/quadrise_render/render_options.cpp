#include "tools/quadrise_render/render_options.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

constexpr double MAX_SECONDS = 86400.0;

int render_refuse(const char* command, const char* message) {
    std::fprintf(stderr, "quadrise-render %s: %s (see quadrise-render %s --help)\n", command,
                 message, command);
    return 2;
}

bool render_parse_ms(const char* text, uint32_t* ms) {
    if (text[0] < '0' || text[0] > '9') return false;
    char* end = nullptr;
    errno = 0;
    unsigned long long value = std::strtoull(text, &end, 10);
    if (*end != '\0' || errno == ERANGE || value > 0xFFFFFFFFull) return false;
    *ms = static_cast<uint32_t>(value);
    return true;
}

static bool whole_in(const char* text, uint32_t low, uint32_t high, uint32_t* value) {
    return render_parse_ms(text, value) && *value >= low && *value <= high;
}

static bool take_output(const char* text, RenderOptions* options) {
    options->output = text;
    return true;
}

static bool take_seconds(const char* text, RenderOptions* options) {
    char* end = nullptr;
    options->seconds = std::strtod(text, &end);
    return end != text && *end == '\0' && options->seconds > 0.0 && options->seconds <= MAX_SECONDS;
}

static bool take_fps(const char* text, RenderOptions* options) {
    uint32_t fps = 0;
    if (!whole_in(text, 1, 240, &fps)) return false;
    options->fps = static_cast<int32_t>(fps);
    return true;
}

static bool take_from(const char* text, RenderOptions* options) {
    uint32_t ms = 0;
    if (!render_parse_ms(text, &ms)) return false;
    options->from_ms = ms;
    return true;
}

static bool take_to(const char* text, RenderOptions* options) {
    uint32_t ms = 0;
    if (!render_parse_ms(text, &ms)) return false;
    options->to_ms = ms;
    return true;
}

static bool take_crf(const char* text, RenderOptions* options) {
    uint32_t crf = 0;
    if (!whole_in(text, 0, 51, &crf)) return false;
    options->crf = static_cast<int32_t>(crf);
    return true;
}

// The options that take a value: the value's reader, and the refusal for a missing or bad value.
struct ValuedOption {
    const char* name;
    uint32_t accepted;
    bool (*take)(const char* text, RenderOptions* options);
    const char* refusal;
};

static const ValuedOption VALUED_OPTIONS[] = {
    {"-o", ACCEPT_OUTPUT, take_output, "-o needs a file name"},
    {"--seconds", ACCEPT_SECONDS, take_seconds,
     "--seconds needs a number of seconds above 0 and at most 86400"},
    {"--fps", ACCEPT_VIDEO, take_fps,
     "--fps needs a whole number of frames per second from 1 to 240"},
    {"--from", ACCEPT_VIDEO, take_from, "--from needs whole milliseconds"},
    {"--to", ACCEPT_VIDEO, take_to, "--to needs whole milliseconds"},
    {"--crf", ACCEPT_VIDEO, take_crf, "--crf needs a whole number from 0 (lossless) to 51"},
};

static const ValuedOption* valued_option(const char* arg, uint32_t accepted) {
    for (const ValuedOption& option : VALUED_OPTIONS) {
        if (std::strcmp(arg, option.name) == 0 && (accepted & option.accepted)) return &option;
    }
    return nullptr;
}

int render_options_parse(const char* command, uint32_t accepted, const char* help, int argc,
                         char** argv, RenderOptions* options) {
    *options = RenderOptions{};
    options->from_ms = -1;
    options->to_ms = -1;
    options->crf = -1;
    for (int k = 0; k < argc; ++k) {
        const char* arg = argv[k];
        if (std::strcmp(arg, "-h") == 0 || std::strcmp(arg, "--help") == 0) {
            std::fputs(help, stdout);
            return 0;
        }
        if (const ValuedOption* option = valued_option(arg, accepted)) {
            if (k + 1 >= argc || !option->take(argv[++k], options))
                return render_refuse(command, option->refusal);
        } else if (std::strcmp(arg, "--bare") == 0 && (accepted & ACCEPT_BARE)) {
            options->bare = true;
        } else if (arg[0] == '-' && arg[1] != '\0') {
            return render_refuse(command, ("unknown option '" + std::string(arg) + "'").c_str());
        } else if (!(accepted & ACCEPT_FILE) || options->file) {
            return render_refuse(command,
                                 ("unexpected argument '" + std::string(arg) + "'").c_str());
        } else {
            options->file = arg;
        }
    }
    return RENDER_RUN;
}
