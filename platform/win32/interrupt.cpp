// Ctrl+C, Ctrl+Break and the console's close: the program ends the ordinary way (window closed,
// display mode and cursor restored, device released, exit code 0) at whatever moment they
// arrive. The demo is a windowed program, so it joins the console it was started from, if any,
// for them to reach it; started from the desktop it has none and ends through its window.
//
// The system calls the handler on a thread of its own. It sets a flag, which the message loop
// turns into a close of the window, and wakes the loop. A message box is the one place that
// blocks without looking at the flag: the handler presses the box's dismissing button (No, or OK)
// by message, and the box returns as if it had been answered; message_box then sees the flag.
#include "platform/win32/internal.h"

static volatile LONG interrupted = 0;
static DWORD loop_thread = 0;
static HANDLE ended = nullptr;  // set once the program has come to its ordinary end

// The box that is up: its thread and the button that dismisses it.
static volatile LONG box_showing = 0;
static DWORD box_thread = 0;
static volatile LONG box_answer = IDNO;

static BOOL CALLBACK press_dismiss(HWND window, LPARAM) {
    char name[16] = "";
    // Message boxes are dialogs, of the system's dialog class.
    if (GetClassNameA(window, name, sizeof name) > 0 && lstrcmpA(name, "#32770") == 0)
        PostMessageA(window, WM_COMMAND, static_cast<WPARAM>(box_answer), 0);
    return TRUE;
}

// The box may be between its creation and its first message when the interrupt arrives, so the
// press is repeated until the box has returned.
static void take_box_down() {
    for (int tries = 0; tries < 100 && box_showing; ++tries) {
        EnumThreadWindows(box_thread, press_dismiss, 0);
        Sleep(20);
    }
}

static BOOL WINAPI on_console_event(DWORD event) {
    // A second interrupt, once the first has not ended the program, ends it at once.
    if (InterlockedExchange(&interrupted, 1) != 0) return FALSE;
    PostThreadMessageA(loop_thread, WM_NULL, 0, 0);
    take_box_down();
    // After a close, logoff or shutdown the system ends the process when the handler returns, so
    // the handler waits (within the system's few seconds of grace) for the ordinary end.
    if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT)
        WaitForSingleObject(ended, 4000);
    return TRUE;
}

void platform_end_on_interrupt() {
    static bool installed = false;
    if (installed) return;
    installed = true;
    loop_thread = GetCurrentThreadId();
    ended = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    AttachConsole(ATTACH_PARENT_PROCESS);
    SetConsoleCtrlHandler(on_console_event, TRUE);
}

void interrupt_box_begin(int answer) {
    box_thread = GetCurrentThreadId();
    box_answer = answer;
    InterlockedExchange(&box_showing, 1);
}

void interrupt_box_end() { InterlockedExchange(&box_showing, 0); }

void interrupt_program_ended() {
    if (ended != nullptr) SetEvent(ended);
}

bool platform_interrupted() { return interrupted != 0; }
