// quadrise-render instruments DIR: renders the six instruments and writes each as the module
// loader would receive it, DIR/instrument-N.wav, mono 44100 Hz 16-bit PCM. DIR is made if needed.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "synth/synth.h"
#include "tools/render_commands.h"
#include "tools/render_wav.h"

// Frames the soundtrack declares for instruments 0..5; instrument 5 is one frame longer than
// its slot, so its last frame stays 0.
static const int instrument_frames[SYNTH_INSTRUMENT_COUNT] = {22050, 22050, 22050, 26460, 22050, 114660};

static bool write_instrument(const std::string& dir, int instrument) {
    std::vector<int16_t> frames(static_cast<size_t>(instrument_frames[instrument]), 0);
    synth_fill_sample(frames.data(), instrument_frames[instrument] * 2, 16, instrument, 0);
    std::string path = dir + "/instrument-" + std::to_string(instrument) + ".wav";
    SNDFILE* file = wav_create(path.c_str(), 44100, 1);
    if (file == nullptr) {
        std::fprintf(stderr, "quadrise-render: cannot write %s: %s\n", path.c_str(), sf_strerror(nullptr));
        return false;
    }
    sf_count_t written = sf_write_short(file, frames.data(), static_cast<sf_count_t>(frames.size()));
    bool ok = written == static_cast<sf_count_t>(frames.size());
    if (!ok) std::fprintf(stderr, "quadrise-render: short write to %s: %s\n", path.c_str(), sf_strerror(file));
    if (sf_close(file) != 0) ok = false;
    return ok;
}

int render_instruments_command(int argc, char** argv) {
    if (argc != 1) {
        std::fputs("usage: quadrise-render instruments DIR\n", stderr);
        return 2;
    }
    std::string dir = argv[0];
    // The folder is made (with its parents) when it does not exist yet.
    std::error_code error;
    std::filesystem::create_directories(dir, error);
    if (!std::filesystem::is_directory(dir)) {
        std::fprintf(stderr, "quadrise-render: cannot make the folder '%s': %s\n", dir.c_str(),
                     error ? error.message().c_str() : "a file of that name exists");
        return 1;
    }
    if (!synth_slots_create()) {
        std::fputs("quadrise-render: out of memory\n", stderr);
        return 1;
    }
    auto start = std::chrono::steady_clock::now();
    bool rendered = synth_render_all();
    auto elapsed = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start);
    bool ok = rendered;
    if (!rendered) std::fputs("quadrise-render: out of memory while rendering\n", stderr);
    for (int instrument = 0; ok && instrument < SYNTH_INSTRUMENT_COUNT; instrument++) {
        ok = write_instrument(dir, instrument);
    }
    synth_slots_free();
    if (!ok) return 1;
    std::printf("rendered 6 instruments in %.1f ms\n", elapsed.count());
    return 0;
}
