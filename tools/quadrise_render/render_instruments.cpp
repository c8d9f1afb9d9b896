// quadrise-render instruments DIR: renders the six instruments and writes each as the module
// loader would receive it, DIR/instrument-N.wav, mono 44100 Hz 16-bit PCM. DIR is made if needed.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "synth/synth.h"
#include "tools/media_files/render_wav.h"
#include "tools/quadrise_render/render_commands.h"
#include "tools/quadrise_render/render_options.h"
#include "tools/soundtrack_source/soundtrack_frame.h"

static const char HELP[] =
    "usage: quadrise-render instruments DIR\n"
    "Renders the six instruments and writes DIR/instrument-0.wav .. instrument-5.wav,\n"
    "mono 44100 Hz 16-bit, as the module loader receives them.\n";

// Each instrument at the length the soundtrack declares for it (instrument 5 is one frame longer
// than its slot, so its last frame stays 0).
static bool write_instrument(const std::string& dir, int instrument, const XmSample& declared) {
    std::vector<int16_t> frames(declared.frames.size(), 0);
    synth_fill_sample(frames.data(), int(frames.size() * 2), 16, instrument, 0);
    std::string path = dir + "/instrument-" + std::to_string(instrument) + ".wav";
    OutputFile output = output_begin(path.c_str());
    SNDFILE* file = wav_create(output, 44100, 1);
    if (file == nullptr) {
        std::fprintf(stderr, "quadrise-render instruments: cannot write %s: %s\n", path.c_str(),
                     sf_strerror(nullptr));
        return false;
    }
    sf_count_t written =
        sf_write_short(file, frames.data(), static_cast<sf_count_t>(frames.size()));
    if (!wav_finish(file, output, written == static_cast<sf_count_t>(frames.size()))) {
        std::fprintf(stderr, "quadrise-render instruments: writing %s failed: %s\n", path.c_str(),
                     wav_error());
        return false;
    }
    return true;
}

int render_instruments_command(int argc, char** argv) {
    const char* command = "instruments";
    RenderOptions options;
    int exit_code = render_options_parse(command, ACCEPT_FILE, HELP, argc, argv, &options);
    if (exit_code != RENDER_RUN) return exit_code;
    if (!options.file) return render_refuse(command, "missing the folder DIR");
    std::string dir = options.file;
    // The folder is made (with its parents) when it does not exist yet.
    std::error_code error;
    std::filesystem::create_directories(dir, error);
    if (!std::filesystem::is_directory(dir)) {
        std::fprintf(stderr, "quadrise-render instruments: cannot make the folder '%s': %s\n",
                     dir.c_str(), error ? error.message().c_str() : "a file of that name exists");
        return 1;
    }
    if (!synth_slots_create()) {
        std::fputs("quadrise-render instruments: out of memory\n", stderr);
        return 1;
    }
    auto start = std::chrono::steady_clock::now();
    bool ok = synth_render_all();
    auto elapsed =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start);
    if (!ok) std::fputs("quadrise-render instruments: out of memory while rendering\n", stderr);
    XmModule frame = soundtrack_frame();
    for (int instrument = 0; ok && instrument < SYNTH_INSTRUMENT_COUNT; instrument++)
        ok = write_instrument(dir, instrument, frame.instruments[size_t(instrument)].samples[0]);
    synth_slots_free();
    if (!ok) return 1;
    std::printf("rendered 6 instruments in %.1f ms\n", elapsed.count());
    return 0;
}
