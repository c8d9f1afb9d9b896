// Frames per second of each scene as the demo's frame pump draws them: clear, one timeline step
// and a buffer swap per frame, the clock moving one 20 ms block step a frame from the middle of
// the scene, 150 frames (3 s of music) per run. "empty" is the black opening before 5.5 s, whose
// frames only clear and swap. Needs an X display: bench/frames.sh runs it on Xvfb.
#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include <cstdio>

#include "app/app.h"
#include "tools/frame_render.h"

static void BM_Frames(benchmark::State& state, uint32_t start) {
    frame_render(start);
    uint32_t ms = start;
    for (auto _ : state) {
        ms += 20;
        frame_draw(ms);
        window_swap_buffers(main_window);
    }
    state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()),
                                               benchmark::Counter::kIsRate);
}

#define SCENE(name, start) \
    BENCHMARK_CAPTURE(BM_Frames, name, start)->Iterations(150)->UseRealTime()->Unit(benchmark::kMillisecond)
SCENE(empty, 1000);
SCENE(title, 8000);
SCENE(palette, 64000);
SCENE(tilted, 82500);
SCENE(bands, 98500);
SCENE(trail, 114000);
SCENE(far_bands, 131000);
SCENE(spinning, 150000);

int main(int argc, char** argv) {
    if (const char* why = frame_open()) {
        std::fprintf(stderr, "frame_bench: %s\n", why);
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
