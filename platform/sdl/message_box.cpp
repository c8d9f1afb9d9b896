// Message boxes with no owner window, answered by button, Return (Yes/OK) or Escape (No), or taken
// down by an interrupt.
#include <cstdio>

#include "platform/platform.h"
#include "platform/sdl/internal.h"

static Uint32 icon_flags(MessageIcon icon) {
    switch (icon) {
    case ICON_QUESTION: return SDL_MESSAGEBOX_INFORMATION;
    case ICON_EXCLAMATION: return SDL_MESSAGEBOX_WARNING;
    case ICON_STOP: return SDL_MESSAGEBOX_ERROR;
    }
    return SDL_MESSAGEBOX_INFORMATION;
}

MessageAnswer message_box(const char* text, const char* caption, MessageButtons buttons,
                          MessageIcon icon) {
    // Buttons listed in reading order (SDL lays them out in the order given here).
    const SDL_MessageBoxButtonData ok_button[] = {
        {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT | SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT,
         ANSWER_OK, "OK"}};
    const SDL_MessageBoxButtonData yes_no_buttons[] = {
        {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, ANSWER_YES, "Yes"},
        {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, ANSWER_NO, "No"}};
    SDL_MessageBoxData box = {};
    box.flags = icon_flags(icon) | SDL_MESSAGEBOX_BUTTONS_LEFT_TO_RIGHT;
    box.window = nullptr;
    box.title = caption;
    box.message = text;
    box.numbuttons = buttons == MESSAGE_OK ? 1 : 2;
    box.buttons = buttons == MESSAGE_OK ? ok_button : yes_no_buttons;
    // After an interrupt the program is ending: no box, and one already up is taken down.
    if (platform_interrupted()) return ANSWER_NONE;
    int pressed = -1;
    interrupt_box_begin();
    int shown = SDL_ShowMessageBox(&box, &pressed);
    interrupt_box_end();
    if (platform_interrupted()) return ANSWER_NONE;
    if (shown != 0) {
        // The program goes on as if the box had been dismissed, so say why it never appeared.
        std::fprintf(stderr, "quadrise: cannot show the message box \"%s\": %s\n", caption,
                     SDL_GetError());
        return ANSWER_NONE;
    }
    // A box closed by its title bar reports no button.
    if (pressed != ANSWER_OK && pressed != ANSWER_YES && pressed != ANSWER_NO) return ANSWER_NONE;
    return static_cast<MessageAnswer>(pressed);
}
