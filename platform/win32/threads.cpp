// Threads with Win32 calls: start at time-critical priority, join, sleep, count the processors,
// run jobs side by side. Every operating-system call about threads lives here.
#include <algorithm>
#include <cstdlib>

#include "platform/win32/internal.h"

struct PlatformThread {
    HANDLE handle;
    int (*proc)();
};

static DWORD WINAPI run(LPVOID argument) {
    return static_cast<DWORD>(static_cast<PlatformThread*>(argument)->proc());
}

// The name is for debuggers only; Windows threads keep none that the program could read, so it
// is not set (the call that sets one exists only on recent systems).
ThreadHandle thread_start_time_critical(const char*, int (*proc)()) {
    PlatformThread* thread = static_cast<PlatformThread*>(std::calloc(1, sizeof(PlatformThread)));
    if (thread == nullptr) return nullptr;
    thread->proc = proc;
    thread->handle = CreateThread(nullptr, 0, run, thread, 0, nullptr);
    if (thread->handle == nullptr) {
        std::free(thread);
        return nullptr;
    }
    // A refusal leaves the normal priority.
    SetThreadPriority(thread->handle, THREAD_PRIORITY_TIME_CRITICAL);
    return thread;
}

void thread_join(ThreadHandle thread) {
    if (thread == nullptr) return;
    WaitForSingleObject(thread->handle, INFINITE);
    CloseHandle(thread->handle);
    std::free(thread);
}

void thread_sleep_ms(uint32_t ms) { Sleep(ms); }

int32_t thread_processors() {
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    return std::max(static_cast<int32_t>(system.dwNumberOfProcessors), 1);
}

// ---- Jobs side by side ---------------------------------------------------------------------
constexpr int32_t SIDE_BY_SIDE_MOST = 16;  // threads started at once; any further job waits

struct SideJob {
    void (*job)(int32_t part);
    int32_t part;
};

static DWORD WINAPI run_side_job(LPVOID argument) {
    const SideJob* side = static_cast<const SideJob*>(argument);
    side->job(side->part);
    return 0;
}

void thread_run_side_by_side(void (*job)(int32_t part), int32_t count) {
    SideJob jobs[SIDE_BY_SIDE_MOST];
    HANDLE handles[SIDE_BY_SIDE_MOST] = {};
    for (int32_t part = 1; part < std::min(count, SIDE_BY_SIDE_MOST); ++part) {
        jobs[part] = {job, part};
        handles[part] = CreateThread(nullptr, 0, run_side_job, &jobs[part], 0, nullptr);
    }
    if (count > 0) job(0);
    for (int32_t part = 1; part < count; ++part) {
        if (part < SIDE_BY_SIDE_MOST && handles[part] != nullptr) {
            WaitForSingleObject(handles[part], INFINITE);
            CloseHandle(handles[part]);
        } else {
            job(part);
        }
    }
}
