// The long renders' progress bar on a terminal, and their elapsed times.
#include "tools/progress_bar/progress_bar.h"

#include <unistd.h>

#include <cstdio>

bool progress_visible() { return isatty(fileno(stderr)) != 0; }

void progress_draw(double fraction, const char* detail) {
    constexpr int WIDTH = 40;
    int filled =
        fraction < 1.0 ? static_cast<int>((fraction > 0.0 ? fraction : 0.0) * WIDTH) : WIDTH;
    char bar[WIDTH + 1];
    for (int k = 0; k < WIDTH; ++k) bar[k] = k < filled ? '#' : '.';
    bar[WIDTH] = '\0';
    // The line is cleared to its end: a shorter detail leaves nothing of a longer one.
    std::fprintf(stderr, "\r[%s] %3d%%  %s\033[K", bar, filled * 100 / WIDTH, detail);
    std::fflush(stderr);
}

void progress_end() { std::fputc('\n', stderr); }

double seconds_since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}
