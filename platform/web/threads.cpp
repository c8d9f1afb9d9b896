// Threads in the browser: the page's module is built without them (they would need the page
// served with cross-origin isolation headers), so jobs meant to run side by side run one after
// the other on the calling thread.
#include "platform/platform.h"

int32_t thread_processors() { return 1; }

void thread_run_side_by_side(void (*job)(int32_t part), int32_t count) {
    for (int32_t part = 0; part < count; ++part) job(part);
}
