// playback_run: the demo's start-up and playback measured as the demo runs them, on a real window
// (any X display, e.g. xvfb-run) and SDL's dummy audio driver unless SDL_AUDIODRIVER says
// otherwise. Frames 1 and 2 run as at start-up ("Loading...", then the path, the synthesis, the
// soundtrack load and the playback start); then, for SECONDS (default 30), the mixing thread plays
// while the main thread sleeps, or with --frames keeps drawing the demo's frames as the demo does.
//   - start-up: from the start of frame 1 to the first non-zero music clock the timeline reads;
//   - the mixing thread's CPU time over the run, as a share of one core (from the kernel's
//     per-thread accounting of the thread named "quadrise-mixer");
//   - the longest gap between two renders: the clock moves exactly when the thread has rendered a
//     block, so the gaps between clock changes, polled every 0.2 ms, are the gaps between renders.
// Without an embedded soundtrack it plays the 10-channel soundtrack-like benchmark module.
#include <dirent.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "app/app.h"
#include "audio/audio.h"
#include "bench/bench_modules.h"
#include "resources/resources.h"
#include "timeline/timeline.h"

QUADRISE_RESOURCE_TABLE(quadrise_resources);

namespace {

using Clock = std::chrono::steady_clock;

double ms_between(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

double bring_up_ms = 0.0;

bool timed_bring_up() {
    Clock::time_point start = Clock::now();
    bool ok = music_bring_up();
    bring_up_ms = ms_between(start, Clock::now());
    return ok;
}

// The embedded resources, or the benchmark module served as the soundtrack.
const char* use_soundtrack() {
    static std::vector<uint8_t> module;
    static EmbeddedResource table[1];
    resources_use(quadrise_resources_table, quadrise_resources_count);
    uint32_t size = 0;
    if (resource_find("MUSIC", "XMMOD", &size) != nullptr) return "the embedded soundtrack";
    module = xm_write(bench_soundtrack_module());
    table[0] = {"MUSIC", "XMMOD", module.data(), uint32_t(module.size())};
    resources_use(table, 1);
    return "the 10-channel soundtrack-like benchmark module (no soundtrack is embedded)";
}

// Nanoseconds on a CPU of the thread of this process named `name`; -1 when there is none.
int64_t thread_cpu_ns(const char* name) {
    DIR* tasks = opendir("/proc/self/task");
    if (tasks == nullptr) return -1;
    int64_t ns = -1;
    while (dirent* entry = readdir(tasks)) {
        std::string dir = std::string("/proc/self/task/") + entry->d_name;
        char comm[64] = "";
        if (FILE* f = std::fopen((dir + "/comm").c_str(), "r")) {
            if (std::fgets(comm, sizeof comm, f) == nullptr) comm[0] = '\0';
            std::fclose(f);
        }
        comm[std::strcspn(comm, "\n")] = '\0';
        if (std::strcmp(comm, name) != 0) continue;
        if (FILE* f = std::fopen((dir + "/schedstat").c_str(), "r")) {
            long long on_cpu = 0;
            if (std::fscanf(f, "%lld", &on_cpu) == 1) ns = on_cpu;
            std::fclose(f);
        }
    }
    closedir(tasks);
    return ns;
}

struct RenderGaps {
    int64_t renders = 0;
    double longest_ms = 0.0;
};

// Polls the music clock every 0.2 ms until `seconds` after `start`.
void watch_renders(Clock::time_point start, double seconds, RenderGaps* gaps) {
    int32_t last_clock = music_time_ms(demo_song);
    Clock::time_point last_move = start;
    for (Clock::time_point now = start; ms_between(start, now) < seconds * 1000.0;
         now = Clock::now()) {
        int32_t clock = music_time_ms(demo_song);
        if (clock != last_clock) {
            if (gaps->renders > 0)
                gaps->longest_ms = std::max(gaps->longest_ms, ms_between(last_move, now));
            last_clock = clock;
            last_move = now;
            ++gaps->renders;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
}

}  // namespace

int main(int argc, char** argv) {
    double seconds = argc > 1 ? std::atof(argv[1]) : 30.0;
    const bool draw_frames = argc > 2 && std::strcmp(argv[2], "--frames") == 0;
    if (seconds <= 0.0 || (argc > 2 && !draw_frames) || argc > 3) {
        std::fprintf(stderr, "usage: playback_run [SECONDS > 0] [--frames]\n");
        return 2;
    }
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    if (!platform_open()) {
        std::fprintf(stderr, "playback_run: %s\n", platform_error());
        return 1;
    }
    std::printf("playing %s for %.0f s, audio driver %s\n", use_soundtrack(), seconds,
                std::getenv("SDL_AUDIODRIVER"));
    main_window = window_create("playback_run", 1024, 768, false, app_window_proc);
    if (main_window == 0) {
        std::fprintf(stderr, "playback_run: no window\n");
        return 1;
    }
    timeline_music_start = timed_bring_up;

    Clock::time_point frame_one = Clock::now();
    window_update(main_window);  // "Loading..."
    window_update(main_window);  // path, synthesis, load, playback start
    Clock::time_point clock_running = Clock::now();
    if (music_clock_ms == 0) {
        std::fprintf(stderr, "playback_run: the music clock did not start: %s\n",
                     music_play_error());
        return 1;
    }
    std::printf("start-up: %.1f ms from frame 1 to the first non-zero clock (bring-up %.1f ms)\n",
                ms_between(frame_one, clock_running), bring_up_ms);

    const int64_t cpu_start = thread_cpu_ns("quadrise-mixer");
    const Clock::time_point start = Clock::now();
    RenderGaps gaps;
    std::thread watcher(watch_renders, start, seconds, &gaps);
    int64_t frames = 0;
    while (draw_frames && ms_between(start, Clock::now()) < seconds * 1000.0) {
        window_update(main_window);
        ++frames;
    }
    watcher.join();
    const double elapsed_ns = ms_between(start, Clock::now()) * 1e6;
    const int64_t cpu_ns = thread_cpu_ns("quadrise-mixer") - cpu_start;
    if (draw_frames) std::printf("frames drawn meanwhile: %lld\n", static_cast<long long>(frames));
    std::printf("mixing thread: %.3f %% of one core (%.1f ms of CPU in %.1f s)\n",
                100.0 * double(cpu_ns) / elapsed_ns, double(cpu_ns) / 1e6, elapsed_ns / 1e9);
    std::printf("renders seen: %lld, longest gap between two: %.1f ms (the ring holds %.0f ms)\n",
                static_cast<long long>(gaps.renders), gaps.longest_ms,
                1000.0 * ring_frames / mix_rate);
    std::printf("music clock at the end: %d ms\n", music_time_ms(demo_song));
    window_destroy(main_window);  // stops the music
    platform_close();
    return 0;
}
