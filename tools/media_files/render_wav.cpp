#include "tools/media_files/render_wav.h"

#include <chrono>
#include <cstdint>
#include <cstdio>

#include "audio/audio.h"
#include "tools/progress_bar/progress_bar.h"

constexpr double UNTIMED_CAP_SECONDS = 600.0;

SNDFILE* wav_create(const OutputFile& output, int sample_rate, int channels) {
    SF_INFO info = {};
    info.samplerate = sample_rate;
    info.channels = channels;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    return sf_open(output.temp.c_str(), SFM_WRITE, &info);
}

static std::string finish_error;

const char* wav_error() { return finish_error.c_str(); }

bool wav_finish(SNDFILE* file, const OutputFile& output, bool complete) {
    finish_error = "a short write";
    if (sf_close(file) != 0 && complete) {
        complete = false;
        finish_error = "closing failed";
    }
    if (!complete) {
        output_discard(output);
        return false;
    }
    if (output_commit(output)) return true;
    finish_error = output_error();
    return false;
}

static void show_progress(double fraction, int64_t frames) {
    char detail[32];
    std::snprintf(detail, sizeof detail, "%7.1f s", static_cast<double>(frames) / mix_rate);
    progress_draw(fraction, detail);
}

// Renders blocks into the open file; returns the frames written, or -1 when writing failed.
static int64_t render_blocks(Song* song, SNDFILE* file, const WavRender& render) {
    double limit = render.seconds > 0.0 ? render.seconds : UNTIMED_CAP_SECONDS;
    int64_t total = static_cast<int64_t>(limit * mix_rate + 0.5);
    bool progress = progress_visible();
    int64_t written = 0;
    for (int64_t block = 0; written < total; ++block) {
        int32_t b = write_block;
        render_next_block();
        int64_t n = total - written < block_frames ? total - written : block_frames;
        const int16_t* pcm = wave_buffer + 2 * static_cast<size_t>(b) * block_frames;
        if (sf_writef_short(file, pcm, n) != n) return -1;
        written += n;
        double done = render.seconds > 0.0
                          ? static_cast<double>(written) / static_cast<double>(total)
                          : render.progress(song);
        if (render.seconds <= 0.0 && done >= 1.0) break;
        if (progress && block % 25 == 0) show_progress(done, written);
    }
    if (progress) {
        show_progress(1.0, written);
        progress_end();
    }
    return written;
}

int render_song_to_wav(Song* song, const WavRender& render) {
    if (!playback_prepare(song)) {
        std::fprintf(stderr, "quadrise-render %s: out of memory\n", render.command);
        return 1;
    }
    OutputFile output = output_begin(render.output);
    SNDFILE* file = wav_create(output, mix_rate, 2);
    if (!file) {
        std::fprintf(stderr, "quadrise-render %s: cannot write %s: %s\n", render.command,
                     render.output, sf_strerror(nullptr));
        playback_release();
        return 1;
    }
    auto start = std::chrono::steady_clock::now();
    int64_t written = render_blocks(song, file, render);
    double wall = seconds_since(start);
    playback_release();
    if (!wav_finish(file, output, written >= 0)) {
        std::fprintf(stderr, "quadrise-render %s: writing %s failed: %s\n", render.command,
                     render.output, wav_error());
        return 1;
    }
    double seconds = static_cast<double>(written) / mix_rate;
    std::printf("%s: %.1f s of audio in %.3f s (%.0fx real time)\n", render.output, seconds, wall,
                wall > 0.0 ? seconds / wall : 0.0);
    return 0;
}
