// The message loop: window events become window messages, and whenever no event waits the
// window gets WINDOW_PAINT, so painting is the frame pump.
#include "platform/sdl/internal.h"

static bool quit_posted = false;
static bool interrupt_delivered = false;

void post_quit() { quit_posted = true; }

// An interrupt or the desktop's close request ends the program the ordinary way.
static void close_or_quit(WindowHandle window) {
    if (window != 0) {
        window_send(window, WINDOW_CLOSE, 0, 0);
    } else {
        post_quit();
    }
}

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

void message_loop_run() {
    while (!quit_posted) {
        SDL_Event event;
        if (platform_interrupted() && !interrupt_delivered) {
            interrupt_delivered = true;
            close_or_quit(window_live());
        } else if (SDL_PollEvent(&event)) {
            dispatch(event);
        } else if (window_live() != 0) {
            window_send(window_live(), WINDOW_PAINT, 0, 0);
        } else if (SDL_WaitEventTimeout(&event, 20)) {
            // Woken now and then, so that an interrupt is seen without an event.
            dispatch(event);
        }
    }
    quit_posted = false;
}
