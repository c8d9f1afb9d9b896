// The command line of the quadrise-render subcommands, parsed one way for all of them: at most
// one plain argument and the options each subcommand accepts. Refusals are one line on stderr.
#pragma once

#include <cstdint>

// ACCEPT_VIDEO: --fps, --from, --to and --crf.
enum : uint32_t {
    ACCEPT_FILE = 1,
    ACCEPT_OUTPUT = 2,
    ACCEPT_SECONDS = 4,
    ACCEPT_BARE = 8,
    ACCEPT_VIDEO = 16
};

struct RenderOptions {
    const char* file;    // the plain argument, null when absent
    const char* output;  // -o FILE, null when absent
    double seconds;      // --seconds N, 0 when absent
    bool bare;           // --bare
    int32_t fps;         // --fps N (1 to 240), 0 when absent
    int64_t from_ms;     // --from MS, -1 when absent
    int64_t to_ms;       // --to MS, -1 when absent
    int32_t crf;         // --crf N (0 to 51), -1 when absent
};

constexpr int RENDER_RUN = -1;

// Parses the arguments of command. Returns RENDER_RUN when the command should run; otherwise the
// exit code: 0 after printing help (the text given) for -h or --help, 2 after a refusal.
int render_options_parse(const char* command, uint32_t accepted, const char* help, int argc,
                         char** argv, RenderOptions* options);
// Prints "quadrise-render COMMAND: MESSAGE (see quadrise-render COMMAND --help)"; returns 2, the
// exit code of a refused command line.
int render_refuse(const char* command, const char* message);
// Whole milliseconds, 0 to 4294967295, in decimal digits only.
bool render_parse_ms(const char* text, uint32_t* ms);
