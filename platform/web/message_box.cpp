// Message boxes as HTML on the page (quadrisePage.ask in page.js). The program waits for the
// answer as it waits for a system's box: the call sleeps, through Asyncify, until a button is
// clicked, and continues inside that click, so that what the answer starts (full screen, sound)
// runs within the user's gesture as the browser requires.
#include <emscripten/emscripten.h>

#include "platform/web/internal.h"

// clang-format off
EM_JS(int, page_ask, (const char* text, const char* caption, int yes_no, int icon), {
    return Asyncify.handleSleep(function(wake_up) {
        globalThis.quadrisePage.ask(UTF8ToString(text), UTF8ToString(caption), yes_no !== 0, icon,
                                    function(answer) { wake_up(answer); });
    });
});
// clang-format on

MessageAnswer message_box(const char* text, const char* caption, MessageButtons buttons,
                          MessageIcon icon) {
    int answer = page_ask(text, caption, buttons == MESSAGE_YES_NO ? 1 : 0, icon);
    switch (answer) {
    case ANSWER_OK: return ANSWER_OK;
    case ANSWER_YES: return ANSWER_YES;
    case ANSWER_NO: return ANSWER_NO;
    default: return ANSWER_NONE;
    }
}
