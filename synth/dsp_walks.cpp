// Random walks over the shared walk counters: one step up or down per call, each with
// probability one half.
#include "dsp.h"

namespace synth {

static int walk_step(int index) {
    int r = synth_rand();
    walk_counters[index] += r / 32767.0 > 0.5 ? 1 : -1;
    return walk_counters[index];
}

double walk_bounded(int index, int n) {
    int counter = walk_step(index);
    // An empty range has no positions; stay at 0 instead of dividing by zero.
    if (n <= 0) return walk_counters[index] = 0;
    if (counter > n) counter = n;
    if (counter < 0) counter = 0;
    walk_counters[index] = counter;
    return static_cast<double>(counter) / n;
}

double walk_wrapped(int index, int n) {
    int counter = walk_step(index);
    if (n <= 0) return walk_counters[index] = 0;
    counter = (counter + n) % n;
    walk_counters[index] = counter;
    return static_cast<double>(counter) / n;
}

}  // namespace synth
