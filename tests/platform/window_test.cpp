#include <gtest/gtest.h>

#include <GL/gl.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <vector>

#include <SDL2/SDL_syswm.h>
#include <X11/Xlib.h>

#include "platform/sdl/internal.h"
#include "tests/platform/test_display.h"

static std::vector<WindowMessage> received;
static intptr_t last_lparam = 0;
static int paints_before_quit = 0;
static bool viewable_at_destroy = true;

// Whether the X server shows the window whose GL context is current.
static bool current_window_viewable() {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    XWindowAttributes attributes = {};
    return SDL_GetWindowWMInfo(SDL_GL_GetCurrentWindow(), &info) &&
           XGetWindowAttributes(info.info.x11.display, info.info.x11.window, &attributes) &&
           attributes.map_state == IsViewable;
}

static intptr_t recording_proc(WindowHandle window, WindowMessage message, uintptr_t wparam,
                               intptr_t lparam) {
    received.push_back(message);
    last_lparam = lparam;
    if (message == WINDOW_DESTROY) viewable_at_destroy = current_window_viewable();
    if (message == WINDOW_PAINT && --paints_before_quit == 0) post_quit();
    return window_default(window, message, wparam, lparam);
}

static long count(WindowMessage message) {
    return std::count(received.begin(), received.end(), message);
}

// Creation makes a double-buffered context with depth and stencil and showing sends the size; then
// the loop paints whenever no event waits until quit, a desktop quit request closes the window, and
// one with no window left ends the loop. The window is off the screen before it hears that it goes.
TEST(Window, CreateShowAndTheMessageLoopThatPaintsUntilTheDesktopQuits) {
    ASSERT_TRUE(test_display_open());
    const WindowHandle window = window_create("platform test", 1024, 768, false, recording_proc);
    ASSERT_NE(window, 0u);
    EXPECT_EQ(received, std::vector{WINDOW_CREATE});
    GLint depth = 0, stencil = 0, double_buffer = 0;
    glGetIntegerv(GL_DEPTH_BITS, &depth);
    glGetIntegerv(GL_STENCIL_BITS, &stencil);
    glGetIntegerv(GL_DOUBLEBUFFER, &double_buffer);
    EXPECT_TRUE(depth >= 16 && stencil == 8 && double_buffer == GL_TRUE);
    EXPECT_FALSE(current_window_viewable());
    window_show(window);
    EXPECT_TRUE(count(WINDOW_SIZE) == 1 && last_lparam == (1024 | (768 << 16)));
    EXPECT_TRUE(current_window_viewable());
    paints_before_quit = 5;
    message_loop_run();
    EXPECT_EQ(count(WINDOW_PAINT), 5);
    SDL_Event event = {};
    event.type = SDL_QUIT;
    SDL_PushEvent(&event);
    SDL_PushEvent(&event);
    message_loop_run();
    EXPECT_TRUE(count(WINDOW_CLOSE) == 1 && !window_alive(window));
    EXPECT_TRUE(count(WINDOW_DESTROY) == 1 && !viewable_at_destroy);
}

TEST(Cursor, VisibleWhileTheDisplayCounterIsNotNegative) {
    ASSERT_TRUE(test_display_open());
    for (const auto& [show, counter] : {std::pair{false, -1}, {false, -2}, {true, -1}, {true, 0}}) {
        EXPECT_EQ(cursor_show(show), counter);
        EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), counter < 0 ? SDL_DISABLE : SDL_ENABLE);
    }
}

// The first SIGINT or SIGTERM only asks the program to end the ordinary way; a second one arriving
// while that is under way ends it at once, as the signal's default action does.
TEST(InterruptDeathTest, TheFirstSignalAsksToEndASecondEndsAtOnce) {
    for (int signal : {SIGINT, SIGTERM}) {
        EXPECT_EXIT(
            {
                platform_end_on_interrupt();
                std::raise(signal);
                std::fputs(platform_interrupted() ? "asked to end\n" : "not noted\n", stderr);
                std::raise(signal);
                std::_Exit(0);
            },
            testing::KilledBySignal(signal), "asked to end")
            << signal;
    }
}
