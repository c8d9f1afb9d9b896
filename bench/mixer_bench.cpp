// Render speed of the player and mixer: 60 seconds of music per iteration, block by block
// through render_next_block exactly as the device is fed. The counter x_realtime is seconds of
// music rendered per second of CPU time.
#include <benchmark/benchmark.h>

#include <cstring>

#include "audio/audio.h"
#include "bench/bench_modules.h"
#include "player/player.h"

constexpr double RENDER_SECONDS = 60.0;

static Song* load_bench_module(const XmModule& module, const char* name) {
    std::string path = bench_write_temp(module, name);
    if (path.empty()) return nullptr;
    music_set_file_callbacks(file_open, file_close, file_read, file_seek, file_tell);
    return music_load(path.c_str(), nullptr);
}

static void render_module(benchmark::State& state, const XmModule& module, const char* name) {
    Song* song = load_bench_module(module, name);
    if (!song) {
        state.SkipWithError(music_load_error());
        return;
    }
    int64_t blocks = 0;
    int64_t active_voice_frames = 0;
    for (auto _ : state) {
        if (!playback_prepare(song)) {
            state.SkipWithError("out of memory");
            break;
        }
        int64_t total = static_cast<int64_t>(RENDER_SECONDS * mix_rate);
        for (int64_t done = 0; done < total; done += block_frames) {
            render_next_block();
            ++blocks;
            for (int v = 0; v < 64; ++v) active_voice_frames += voices[v].sample ? block_frames : 0;
        }
        benchmark::DoNotOptimize(wave_buffer[0]);
        playback_release();
    }
    state.counters["x_realtime"] = benchmark::Counter(
        RENDER_SECONDS * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["voices"] =
        static_cast<double>(active_voice_frames) / static_cast<double>(blocks * block_frames);
    music_free(song);
}

static void BM_RenderSoundtrackLike10Channels(benchmark::State& state) {
    render_module(state, bench_soundtrack_module(), "soundtrack");
}
BENCHMARK(BM_RenderSoundtrackLike10Channels)->Unit(benchmark::kMillisecond);

static void BM_RenderDense32Channels(benchmark::State& state) {
    render_module(state, bench_dense_module(), "dense");
}
BENCHMARK(BM_RenderDense32Channels)->Unit(benchmark::kMillisecond);

// The mixer alone: n voices on a looped sample at steady levels, one block per iteration.
static void BM_MixVoicesSteady(benchmark::State& state) {
    static int16_t data[4096 + 8];
    for (int i = 0; i < 4096; ++i) data[i] = static_cast<int16_t>((i * 37) % 20000 - 10000);
    SampleHeader sample{};
    sample.data = data;
    sample.length = 4096;
    sample.loop_length = 4096;
    sample.loop_type = LOOP_FORWARD;
    static float span[2 * 884];
    std::memset(voices, 0, sizeof voices);
    int n = static_cast<int>(state.range(0));
    for (int v = 0; v < n; ++v) {
        voices[v].sample = &sample;
        voices[v].direction = 1;
        voices[v].step = 1;
        voices[v].step_frac = 0x12345678u * static_cast<uint32_t>(v + 1);
        voices[v].level_left = voices[v].ramp_left_target = 100;
        voices[v].level_right = voices[v].ramp_right_target = 80;
        voices[v].cur_left = 100 * 256;
        voices[v].cur_right = 80 * 256;
    }
    for (auto _ : state) {
        mix_voices(span, 884);
        benchmark::DoNotOptimize(span[0]);
    }
    state.counters["voice_frames_per_s"] = benchmark::Counter(
        884.0 * n * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    std::memset(voices, 0, sizeof voices);
}
BENCHMARK(BM_MixVoicesSteady)->Arg(1)->Arg(10)->Arg(32);

// The conversion of one block's span to 16-bit PCM.
static void BM_FloatToPcm16(benchmark::State& state) {
    static float span[2 * 884];
    static int16_t pcm[2 * 884];
    for (int k = 0; k < 2 * 884; ++k)
        span[k] = static_cast<float>((k * 7919) % 70000 - 35000) * 0.5f;
    for (auto _ : state) {
        float_to_pcm16(pcm, span, 884);
        benchmark::DoNotOptimize(pcm[0]);
    }
    state.counters["values_per_s"] = benchmark::Counter(
        2 * 884.0 * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_FloatToPcm16);

BENCHMARK_MAIN();
