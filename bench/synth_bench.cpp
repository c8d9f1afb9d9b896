// Start-up cost of the instruments: one full render of the shipped program.
#include <benchmark/benchmark.h>

#include "synth/synth.h"

static void BM_SynthRenderAll(benchmark::State& state) {
    synth_slots_create();
    for (auto _ : state) {
        bool ok = synth_render_all();
        benchmark::DoNotOptimize(ok);
    }
    synth_slots_free();
}
BENCHMARK(BM_SynthRenderAll)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

BENCHMARK_MAIN();
