// SDL's events for the message loop: window events become window messages.
#include "platform/sdl/internal.h"

static void dispatch_window_event(WindowHandle window, const SDL_WindowEvent& event) {
    if (event.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
        intptr_t client_size = (event.data1 & 0xFFFF) | ((event.data2 & 0xFFFF) << 16);
        window_send(window, WINDOW_SIZE, 0, client_size);
    } else if (event.event == SDL_WINDOWEVENT_CLOSE) {
        window_send(window, WINDOW_CLOSE, 0, 0);
    }
}

static void dispatch(const SDL_Event& event) {
    WindowHandle window = window_live();
    switch (event.type) {
    case SDL_KEYDOWN:
        window_send(window, WINDOW_KEY_DOWN, virtual_key(event.key.keysym.sym), 0);
        break;
    case SDL_KEYUP: window_send(window, WINDOW_KEY_UP, virtual_key(event.key.keysym.sym), 0); break;
    case SDL_WINDOWEVENT: dispatch_window_event(window, event.window); break;
    case SDL_QUIT: close_or_quit(window); break;
    default: break;
    }
}

bool events_deliver_one() {
    SDL_Event event;
    if (!SDL_PollEvent(&event)) return false;
    dispatch(event);
    return true;
}

void events_wait(uint32_t ms) {
    SDL_Event event;
    if (SDL_WaitEventTimeout(&event, static_cast<int>(ms))) dispatch(event);
}
