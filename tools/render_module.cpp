// quadrise-render module: plays an XM file through the player and writes what the device would
// hear, block by block through render_next_block, as 16-bit stereo PCM WAV.
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "audio/audio.h"
#include "player/player.h"
#include "tools/render_commands.h"
#include "tools/render_wav.h"

constexpr double SONG_END_CAP_SECONDS = 600.0;  // longest render when the song's end decides
constexpr double MAX_SECONDS = 86400.0;

struct ModuleRenderOptions {
    const char* input;
    const char* output;
    double seconds;  // 0: until the song ends or loops
};

// Where the song has been: the end of a song is the first time it passes its last order or
// goes back to an order (or, within one order, to a row) it has already played.
struct SongTrail {
    bool seen[256];
    int32_t order;
    int32_t row;
};

static void usage_error(const char* message) {
    std::fprintf(stderr, "quadrise-render module: %s\n", message);
    std::fputs("usage: quadrise-render module FILE.xm -o OUT.wav [--seconds N]\n", stderr);
}

// Returns 0 on success, 1 for --help, 2 for a usage error (already reported).
static int parse_options(int argc, char** argv, ModuleRenderOptions* options) {
    *options = ModuleRenderOptions{};
    for (int k = 0; k < argc; ++k) {
        const char* arg = argv[k];
        if (std::strcmp(arg, "-h") == 0 || std::strcmp(arg, "--help") == 0) return 1;
        if (std::strcmp(arg, "-o") == 0 || std::strcmp(arg, "--seconds") == 0) {
            if (k + 1 >= argc) {
                usage_error(arg[1] == 'o' ? "-o needs a file name" : "--seconds needs a number");
                return 2;
            }
            const char* value = argv[++k];
            if (arg[1] == 'o') {
                options->output = value;
                continue;
            }
            char* end = nullptr;
            options->seconds = std::strtod(value, &end);
            if (end == value || *end != '\0' || !(options->seconds > 0.0) ||
                options->seconds > MAX_SECONDS) {
                usage_error("--seconds needs a number of seconds above 0 and at most 86400");
                return 2;
            }
        } else if (arg[0] == '-' && arg[1] != '\0') {
            std::fprintf(stderr, "quadrise-render module: unknown option '%s'\n", arg);
            usage_error("see the usage below");
            return 2;
        } else if (!options->input) {
            options->input = arg;
        } else {
            usage_error("only one module file can be rendered at a time");
            return 2;
        }
    }
    if (!options->input || !options->output) {
        usage_error(options->input ? "missing -o OUT.wav" : "missing the module file");
        return 2;
    }
    return 0;
}

static bool pattern_loop_active(const Song* song) {
    for (int c = 0; c < song->channel_count && c < MAX_CHANNELS; ++c) {
        if (channels[c].loop_count != 0) return true;
    }
    return false;
}

static void trail_start(SongTrail* trail, const Song* song) {
    std::memset(trail->seen, 0, sizeof trail->seen);
    trail->order = song->order_pos;
    trail->row = song->row;
    trail->seen[trail->order & 0xFF] = true;
}

// True when the song, after the latest block, has ended or started to repeat itself.
static bool trail_reached_end(SongTrail* trail, const Song* song) {
    int32_t order = song->order_pos;
    int32_t row = song->row;
    bool ended = false;
    if (order != trail->order) {
        bool passed_last = trail->order == song->song_length - 1 && order < trail->order;
        ended = passed_last || trail->seen[order & 0xFF];
        trail->seen[order & 0xFF] = true;
    } else if (row < trail->row && !pattern_loop_active(song)) {
        // Back to an earlier row of the same order without a pattern loop: a jump or a restart
        // into the order being played.
        ended = true;
    }
    trail->order = order;
    trail->row = row;
    return ended;
}

static void show_progress(double fraction, double seconds) {
    constexpr int WIDTH = 40;
    int filled = static_cast<int>(fraction * WIDTH);
    if (filled > WIDTH) filled = WIDTH;
    char bar[WIDTH + 1];
    for (int k = 0; k < WIDTH; ++k) bar[k] = k < filled ? '#' : '.';
    bar[WIDTH] = '\0';
    std::fprintf(stderr, "\r[%s] %3d%%  %7.1f s", bar, static_cast<int>(fraction * 100.0), seconds);
    std::fflush(stderr);
}

// Renders blocks into the open file; returns the frames written, or -1 when writing failed.
static int64_t render_blocks(Song* song, SNDFILE* file, const ModuleRenderOptions& options) {
    double limit = options.seconds > 0.0 ? options.seconds : SONG_END_CAP_SECONDS;
    int64_t total = static_cast<int64_t>(limit * mix_rate + 0.5);
    bool progress = isatty(fileno(stderr));
    SongTrail trail;
    trail_start(&trail, song);
    int64_t written = 0;
    for (int64_t block = 0; written < total; ++block) {
        int32_t b = write_block;
        render_next_block();
        int64_t n = total - written < block_frames ? total - written : block_frames;
        const int16_t* pcm = wave_buffer + 2 * static_cast<size_t>(b) * block_frames;
        if (sf_writef_short(file, pcm, n) != n) return -1;
        written += n;
        if (options.seconds <= 0.0 && trail_reached_end(&trail, song)) break;
        if (progress && block % 25 == 0) {
            double fraction = options.seconds > 0.0
                                  ? static_cast<double>(written) / static_cast<double>(total)
                                  : static_cast<double>(trail.order) / song->song_length;
            show_progress(fraction, static_cast<double>(written) / mix_rate);
        }
    }
    if (progress) {
        show_progress(1.0, static_cast<double>(written) / mix_rate);
        std::fputc('\n', stderr);
    }
    return written;
}

// Plays the loaded song into the output file; returns the exit code.
static int render_song(Song* song, const ModuleRenderOptions& options) {
    if (!playback_prepare(song)) {
        std::fprintf(stderr, "quadrise-render module: out of memory\n");
        return 1;
    }
    SNDFILE* file = wav_create(options.output, mix_rate, 2);
    if (!file) {
        std::fprintf(stderr, "quadrise-render module: cannot write %s: %s\n", options.output,
                     sf_strerror(nullptr));
        playback_release();
        return 1;
    }
    auto start = std::chrono::steady_clock::now();
    int64_t written = render_blocks(song, file, options);
    double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    bool closed = sf_close(file) == 0;
    playback_release();
    if (written < 0 || !closed) {
        std::fprintf(stderr, "quadrise-render module: writing %s failed\n", options.output);
        std::remove(options.output);
        return 1;
    }
    double seconds = static_cast<double>(written) / mix_rate;
    std::printf("%s: %.1f s of audio in %.3f s (%.0fx real time)\n", options.output, seconds, wall,
                wall > 0.0 ? seconds / wall : 0.0);
    return 0;
}

int render_module_command(int argc, char** argv) {
    ModuleRenderOptions options;
    int parsed = parse_options(argc, argv, &options);
    if (parsed == 1) {
        std::puts("usage: quadrise-render module FILE.xm -o OUT.wav [--seconds N]\n"
                  "Plays FILE.xm and writes 44100 Hz 16-bit stereo WAV: N seconds, or until the\n"
                  "song ends or repeats itself (at most 10 minutes).");
        return 0;
    }
    if (parsed != 0) return 2;
    music_set_file_callbacks(file_open, file_close, file_read, file_seek, file_tell);
    Song* song = music_load(options.input, nullptr);
    if (!song) {
        std::fprintf(stderr, "quadrise-render module: %s: %s\n", options.input, music_load_error());
        return 1;
    }
    int result = render_song(song, options);
    music_free(song);
    return result;
}
