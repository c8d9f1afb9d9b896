// Our player beside two independent players (libopenmpt and libxmp, references only), each
// rendering the same module for 60 seconds at 44100 Hz, 16-bit stereo, linear interpolation.
// x_realtime is seconds of music per second of CPU time.
#include <benchmark/benchmark.h>
#include <libopenmpt/libopenmpt.h>
#include <xmp.h>

#include <vector>

#include "audio/audio.h"
#include "bench/bench_modules.h"
#include "player/player.h"

constexpr int RATE = 44100;
constexpr int RENDER_SECONDS = 60;
constexpr int CHUNK_FRAMES = 884;

static void set_realtime_counter(benchmark::State& state) {
    state.counters["x_realtime"] = benchmark::Counter(
        RENDER_SECONDS * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

static XmModule module_for(benchmark::State& state) {
    return state.range(0) == 10 ? bench_soundtrack_module() : bench_dense_module();
}

static void BM_Quadrise(benchmark::State& state) {
    std::string path = bench_write_temp(module_for(state), "compare");
    music_set_file_callbacks(file_open, file_close, file_read, file_seek, file_tell);
    Song* song = path.empty() ? nullptr : music_load(path.c_str(), nullptr);
    if (!song) {
        state.SkipWithError(music_load_error());
        return;
    }
    for (auto _ : state) {
        if (!playback_prepare(song)) {
            state.SkipWithError("out of memory");
            break;
        }
        for (int64_t done = 0; done < int64_t{RENDER_SECONDS} * RATE; done += block_frames) {
            render_next_block();
        }
        benchmark::DoNotOptimize(wave_buffer[0]);
        playback_release();
    }
    set_realtime_counter(state);
    music_free(song);
}

static void BM_Libopenmpt(benchmark::State& state) {
    std::vector<uint8_t> bytes = xm_write(module_for(state));
    std::vector<int16_t> buffer(2 * CHUNK_FRAMES);
    for (auto _ : state) {
        openmpt_module* mod =
            openmpt_module_create_from_memory2(bytes.data(), bytes.size(), nullptr, nullptr,
                                               nullptr, nullptr, nullptr, nullptr, nullptr);
        if (!mod) {
            state.SkipWithError("libopenmpt could not load the module");
            break;
        }
        openmpt_module_set_render_param(mod, OPENMPT_MODULE_RENDER_INTERPOLATIONFILTER_LENGTH, 2);
        openmpt_module_set_repeat_count(mod, -1);
        for (int64_t done = 0; done < int64_t{RENDER_SECONDS} * RATE; done += CHUNK_FRAMES) {
            openmpt_module_read_interleaved_stereo(mod, RATE, CHUNK_FRAMES, buffer.data());
        }
        benchmark::DoNotOptimize(buffer[0]);
        openmpt_module_destroy(mod);
    }
    set_realtime_counter(state);
}

static void BM_Libxmp(benchmark::State& state) {
    std::vector<uint8_t> bytes = xm_write(module_for(state));
    std::vector<int16_t> buffer(2 * CHUNK_FRAMES);
    for (auto _ : state) {
        xmp_context ctx = xmp_create_context();
        if (xmp_load_module_from_memory(ctx, bytes.data(), static_cast<long>(bytes.size())) != 0) {
            xmp_free_context(ctx);
            state.SkipWithError("libxmp could not load the module");
            break;
        }
        xmp_start_player(ctx, RATE, 0);
        xmp_set_player(ctx, XMP_PLAYER_INTERP, XMP_INTERP_LINEAR);
        for (int64_t done = 0; done < int64_t{RENDER_SECONDS} * RATE; done += CHUNK_FRAMES) {
            xmp_play_buffer(ctx, buffer.data(), CHUNK_FRAMES * 4, 0);
        }
        benchmark::DoNotOptimize(buffer[0]);
        xmp_end_player(ctx);
        xmp_release_module(ctx);
        xmp_free_context(ctx);
    }
    set_realtime_counter(state);
}

// Argument: 10 = the soundtrack-like module, 32 = the dense one.
BENCHMARK(BM_Quadrise)->Arg(10)->Arg(32)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Libopenmpt)->Arg(10)->Arg(32)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Libxmp)->Arg(10)->Arg(32)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
