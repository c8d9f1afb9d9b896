// Threads with Win32 calls: start at time-critical priority, join, sleep. Every operating-system
// call about threads lives here.
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
