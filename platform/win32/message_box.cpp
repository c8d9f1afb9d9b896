// Message boxes with no owner window. Return answers the default button (Yes/OK) and Escape
// closes an OK box. Windows' own Yes/No box has no close button and ignores Escape; wine's closes
// on Escape with IDCANCEL, which a question takes as No.
#include <cstdio>

#include "platform/win32/internal.h"

static UINT icon_flags(MessageIcon icon) {
    switch (icon) {
    case ICON_QUESTION: return MB_ICONQUESTION;
    case ICON_EXCLAMATION: return MB_ICONEXCLAMATION;
    case ICON_STOP: return MB_ICONSTOP;
    }
    return MB_ICONQUESTION;
}

MessageAnswer message_box(const char* text, const char* caption, MessageButtons buttons,
                          MessageIcon icon) {
    // After an interrupt the program is ending: no box, and one already up is taken down.
    if (platform_interrupted()) return ANSWER_NONE;
    UINT type = (buttons == MESSAGE_OK ? MB_OK : MB_YESNO) | icon_flags(icon);
    interrupt_box_begin(buttons == MESSAGE_OK ? IDOK : IDNO);
    int pressed = MessageBoxA(nullptr, text, caption, type);
    DWORD failure = GetLastError();
    interrupt_box_end();
    if (platform_interrupted()) return ANSWER_NONE;
    switch (pressed) {
    case IDOK: return ANSWER_OK;
    case IDYES: return ANSWER_YES;
    case IDNO: return ANSWER_NO;
    // Escape, or the box closed: a question counts it as No, a notice as read.
    case IDCANCEL: return buttons == MESSAGE_OK ? ANSWER_OK : ANSWER_NO;
    case 0:
        // The program goes on as if the box had been dismissed, so say why it never appeared.
        std::fprintf(stderr, "quadrise: cannot show the message box \"%s\": %s\n", caption,
                     system_error_text(failure));
        return ANSWER_NONE;
    default: return ANSWER_NONE;
    }
}
