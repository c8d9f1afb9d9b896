// SIGINT and SIGTERM: the program ends the ordinary way (window closed, display mode and cursor
// restored, device released, exit code 0) at whatever moment they arrive.
//
// The handler only sets a flag, which the message loop turns into a close of the window. A
// message box is the one place that blocks without looking at the flag: the X11 box runs in a
// forked child that the parent waits for, so the handler ends that child, and the box returns as
// if it had been dismissed.
#include <pthread.h>
#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include "platform/sdl/internal.h"

static volatile sig_atomic_t interrupted = 0;

// What the handler and a box's child process tell each other, in a page the two share: the child
// writes its own pid (a forked child knows it before its parent does) and the handler marks the
// interrupt. Each writes first and reads the other's word second, so whichever comes last sees
// the other: the handler ends the child, or the child ends itself before it draws anything.
struct BoxChild {
    int pid;  // 0 while no box is up
    int interrupted;
};
static BoxChild* box_child = nullptr;
static volatile sig_atomic_t box_showing = 0;

static void on_interrupt(int) {
    interrupted = 1;
    if (box_child == nullptr) return;
    __atomic_store_n(&box_child->interrupted, 1, __ATOMIC_SEQ_CST);
    int pid = __atomic_load_n(&box_child->pid, __ATOMIC_SEQ_CST);
    if (pid > 0) kill(pid, SIGKILL);
}

static void after_fork_in_child() {
    if (!box_showing || box_child == nullptr) return;
    __atomic_store_n(&box_child->pid, static_cast<int>(getpid()), __ATOMIC_SEQ_CST);
    if (__atomic_load_n(&box_child->interrupted, __ATOMIC_SEQ_CST)) _exit(1);
}

void platform_end_on_interrupt() {
    static bool installed = false;
    if (installed) return;
    installed = true;
    void* page =
        mmap(nullptr, sizeof(BoxChild), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    if (page != MAP_FAILED) {
        box_child = static_cast<BoxChild*>(page);
        pthread_atfork(nullptr, nullptr, after_fork_in_child);
    }
    struct sigaction action = {};
    action.sa_handler = on_interrupt;
    sigemptyset(&action.sa_mask);
    // A second signal of the same kind, once the first has not ended the program, ends it at once.
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

void interrupt_box_begin() {
    if (box_child != nullptr) __atomic_store_n(&box_child->pid, 0, __ATOMIC_SEQ_CST);
    box_showing = 1;
}

void interrupt_box_end() {
    box_showing = 0;
    if (box_child != nullptr) __atomic_store_n(&box_child->pid, 0, __ATOMIC_SEQ_CST);
}

bool platform_interrupted() { return interrupted != 0; }
