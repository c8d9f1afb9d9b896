// A seam for the tests of what happens when memory runs out: binaries linked with the
// calloc_failure library have every std::calloc pass through here, and a test can make one of
// them fail. No behaviour changes until a test asks.
#pragma once

#include <cstdint>

// The n-th calloc from now on (1 = the next one) returns null; 0 makes none fail.
void calloc_fail_at(int64_t n);
// True once the call chosen by calloc_fail_at has failed.
bool calloc_failed();

// Runs attempt() with the 1st, 2nd, 3rd, ... calloc inside it failing, until a run passes every
// calloc without reaching the failing one. Returns how many runs had a failure.
template <typename Attempt>
int64_t each_allocation_failing(Attempt attempt) {
    int64_t n = 1;
    for (;; ++n) {
        calloc_fail_at(n);
        attempt();
        bool failed = calloc_failed();
        calloc_fail_at(0);
        if (!failed) return n - 1;
    }
}
