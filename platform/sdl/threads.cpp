// Threads with POSIX calls: start at the highest priority granted, join, sleep, count the
// processors, run jobs side by side. Every operating-system call about threads lives here.
#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <ctime>

#include "platform/platform.h"

struct PlatformThread {
    pthread_t id;
    int (*proc)();
};

static void* run(void* argument) {
    static_cast<PlatformThread*>(argument)->proc();
    return nullptr;
}

// Real-time FIFO scheduling at the top level, or, where that is refused, at the top level the
// real-time limit of the process allows. A refusal of both leaves the thread as it was.
static void raise_to_real_time(pthread_t id) {
    sched_param param = {};
    param.sched_priority = sched_get_priority_max(SCHED_FIFO);
    if (pthread_setschedparam(id, SCHED_FIFO, &param) == 0) return;
    rlimit limit = {};
    if (getrlimit(RLIMIT_RTPRIO, &limit) != 0 || limit.rlim_cur == 0) return;
    if (limit.rlim_cur < static_cast<rlim_t>(param.sched_priority)) {
        param.sched_priority = static_cast<int>(limit.rlim_cur);
    }
    pthread_setschedparam(id, SCHED_FIFO, &param);
}

ThreadHandle thread_start_time_critical(const char* name, int (*proc)()) {
    PlatformThread* thread = static_cast<PlatformThread*>(std::calloc(1, sizeof(PlatformThread)));
    if (thread == nullptr) return nullptr;
    thread->proc = proc;
    if (pthread_create(&thread->id, nullptr, run, thread) != 0) {
        std::free(thread);
        return nullptr;
    }
    pthread_setname_np(thread->id, name);  // at most 15 characters; a longer name is refused
    raise_to_real_time(thread->id);
    return thread;
}

void thread_join(ThreadHandle thread) {
    if (thread == nullptr) return;
    pthread_join(thread->id, nullptr);
    std::free(thread);
}

void thread_sleep_ms(uint32_t ms) {
    timespec rest = {static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
    while (nanosleep(&rest, &rest) != 0 && errno == EINTR) {}
}

int32_t thread_processors() {
    cpu_set_t allowed;
    CPU_ZERO(&allowed);
    if (sched_getaffinity(0, sizeof allowed, &allowed) != 0) return 1;
    return std::max(CPU_COUNT(&allowed), 1);
}

// ---- Jobs side by side ---------------------------------------------------------------------
constexpr int32_t SIDE_BY_SIDE_MOST = 16;  // threads started at once; any further job waits

struct SideJob {
    void (*job)(int32_t part);
    int32_t part;
};

static void* run_side_job(void* argument) {
    const SideJob* side = static_cast<const SideJob*>(argument);
    side->job(side->part);
    return nullptr;
}

void thread_run_side_by_side(void (*job)(int32_t part), int32_t count) {
    SideJob jobs[SIDE_BY_SIDE_MOST];
    pthread_t ids[SIDE_BY_SIDE_MOST];
    bool started[SIDE_BY_SIDE_MOST] = {};
    for (int32_t part = 1; part < std::min(count, SIDE_BY_SIDE_MOST); ++part) {
        jobs[part] = {job, part};
        started[part] = pthread_create(&ids[part], nullptr, run_side_job, &jobs[part]) == 0;
    }
    if (count > 0) job(0);
    for (int32_t part = 1; part < count; ++part) {
        if (part < SIDE_BY_SIDE_MOST && started[part]) {
            pthread_join(ids[part], nullptr);
        } else {
            job(part);
        }
    }
}
