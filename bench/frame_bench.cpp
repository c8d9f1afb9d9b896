// Frames per second of each scene as the demo's frame pump draws them: clear, one timeline step
// and a buffer swap per frame, the clock moving one 20 ms block step a frame from the middle of
// the scene, 150 frames (3 s of music) per run, with the cubes batched and drawn one at a time
// (immediate) in turn. "empty" is the black opening before 5.5 s, whose frames only clear and
// swap. Besides the mean, each run reports the median and the 95th percentile of its frame
// times, and a batched run the cubes and triangles its last frame sent to GL (one batch).
// bench/frames.sh runs it on Xvfb, as the demo draws; without a display it draws off screen
// through EGL.
#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "app/app.h"
#include "timeline/timeline.h"
#include "tools/frame_render/frame_render.h"

static void BM_Frames(benchmark::State& state, uint32_t start, CubeDrawing drawing,
                      int32_t culling_parts = 0) {
    cube_drawing = drawing;
    cube_culling_parts = culling_parts;
    frame_render(start);
    uint32_t ms = start;
    std::vector<double> frame_ms;
    for (auto _ : state) {
        auto begun = std::chrono::steady_clock::now();
        ms += 20;
        frame_draw(ms);
        window_swap_buffers(main_window);
        frame_ms.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - begun)
                .count());
    }
    std::sort(frame_ms.begin(), frame_ms.end());
    state.counters["fps"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["median_ms"] = frame_ms[frame_ms.size() / 2];
    state.counters["p95_ms"] = frame_ms[frame_ms.size() * 95 / 100];
    if (drawing == CUBES_BATCHED) {
        state.counters["cubes"] = cubes_sent;
        state.counters["triangles"] = cube_triangles_sent;
    }
    cube_drawing = CUBES_BATCHED;
    cube_culling_parts = 0;
}

#define SCENE(name, start)                                                 \
    BENCHMARK_CAPTURE(BM_Frames, name, start, CUBES_BATCHED)               \
        ->Iterations(150)                                                  \
        ->UseRealTime()                                                    \
        ->Unit(benchmark::kMillisecond);                                   \
    BENCHMARK_CAPTURE(BM_Frames, name##_immediate, start, CUBES_IMMEDIATE) \
        ->Iterations(150)                                                  \
        ->UseRealTime()                                                    \
        ->Unit(benchmark::kMillisecond)
SCENE(empty, 1000);
SCENE(title, 8000);
SCENE(palette, 64000);
SCENE(tilted, 82500);
SCENE(bands, 98500);
SCENE(trail, 114000);
SCENE(far_bands, 131000);
// The bands with the hidden faces found on one thread, against the strips side by side above.
BENCHMARK_CAPTURE(BM_Frames, bands_one_strip, 98500, CUBES_BATCHED, 1)
    ->Iterations(150)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Frames, far_bands_one_strip, 131000, CUBES_BATCHED, 1)
    ->Iterations(150)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
SCENE(spinning, 150000);

int main(int argc, char** argv) {
    if (!frame_open()) {
        std::fprintf(stderr, "frame_bench: %s\n", frame_error());
        return 1;
    }
    window_show(main_window);
    std::printf("OpenGL renderer: %s\n", reinterpret_cast<const char*>(glGetString(GL_RENDERER)));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    frame_close();
    return 0;
}
