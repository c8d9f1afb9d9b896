// Linked with -Wl,--wrap=calloc: the program's calls to calloc arrive at __wrap_calloc, which
// hands them to the C library's calloc unless this call is the one chosen to fail.
#include "tests/support/calloc_failure/calloc_failure.h"

#include <atomic>
#include <cstddef>

extern "C" void* __real_calloc(size_t count, size_t size);

// Counted across threads: the mixing thread's start allocates too.
static std::atomic<int64_t> calls_to_failure{0};
static std::atomic<bool> failed{false};

extern "C" void* __wrap_calloc(size_t count, size_t size) {
    if (calls_to_failure.load() > 0 && calls_to_failure.fetch_sub(1) == 1) {
        failed = true;
        return nullptr;
    }
    return __real_calloc(count, size);
}

void calloc_fail_at(int64_t n) {
    failed = false;
    calls_to_failure = n;
}

bool calloc_failed() {
    return failed;
}
