// Start-up of the platform layer on Windows, and the system's wording of its error codes.
#include <cstdio>

#include "platform/win32/internal.h"

const char* system_error_text(DWORD code) {
    static char text[160];
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, code, 0, text, sizeof text, nullptr);
    while (length > 0 && (text[length - 1] == '\n' || text[length - 1] == '\r' ||
                          text[length - 1] == ' ' || text[length - 1] == '.'))
        --length;
    if (length == 0) {
        std::snprintf(text, sizeof text, "system error %lu", static_cast<unsigned long>(code));
    } else {
        text[length] = '\0';
    }
    return text;
}

// The desktop is always there on Windows: opening only checks that a window station with a
// desktop is attached (a service or a session without one cannot show anything).
bool platform_open() {
    if (GetProcessWindowStation() == nullptr || GetThreadDesktop(GetCurrentThreadId()) == nullptr)
        return platform_fail("no desktop to show windows on", system_error_text(GetLastError()));
    return true;
}

// A window that is never shown needs the same desktop.
bool platform_open_offscreen() { return platform_open(); }

void platform_close() { interrupt_program_ended(); }
