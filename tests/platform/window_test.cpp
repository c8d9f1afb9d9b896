#include <gtest/gtest.h>

#include <GL/gl.h>

#include <vector>

#include "platform/internal.h"
#include "platform/platform.h"
#include "tests/platform/test_display.h"

struct Received {
    WindowMessage message;
    uintptr_t wparam;
    intptr_t lparam;
};

static std::vector<Received> received;
static bool context_current_at_create = false;
static GLint depth_bits = 0;
static GLint stencil_bits = 0;
static GLboolean double_buffered = GL_FALSE;
static int paints_before_quit = 0;
static bool quit_on_destroy = false;

static intptr_t recording_proc(WindowHandle window, WindowMessage message, uintptr_t wparam,
                               intptr_t lparam) {
    received.push_back({message, wparam, lparam});
    if (message == WINDOW_CREATE) {
        context_current_at_create = glGetString(GL_VERSION) != nullptr;
        glGetIntegerv(GL_DEPTH_BITS, &depth_bits);
        glGetIntegerv(GL_STENCIL_BITS, &stencil_bits);
        glGetBooleanv(GL_DOUBLEBUFFER, &double_buffered);
    }
    if (message == WINDOW_PAINT && --paints_before_quit == 0) post_quit();
    if (message == WINDOW_DESTROY && quit_on_destroy) post_quit();
    return window_default(window, message, wparam, lparam);
}

static int count(WindowMessage message) {
    int n = 0;
    for (const Received& r : received) n += r.message == message;
    return n;
}

class Window : public ::testing::Test {
protected:
    WindowHandle window = 0;
    void SetUp() override {
        ASSERT_TRUE(test_display_open());
        received.clear();
        window = window_create("platform test", 1024, 768, false, recording_proc);
        ASSERT_NE(window, 0u);
    }
    void TearDown() override { window_destroy(window); }
};

TEST_F(Window, CreateArrivesWithTheGlContextCurrentAndTheRequestedBuffers) {
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].message, WINDOW_CREATE);
    EXPECT_TRUE(context_current_at_create);
    EXPECT_GE(depth_bits, 16);
    EXPECT_EQ(stencil_bits, 8);
    EXPECT_TRUE(double_buffered);
}

TEST_F(Window, ShowSendsTheClientSizeAndUpdatePaintsOnce) {
    window_show(window);
    ASSERT_EQ(count(WINDOW_SIZE), 1);
    intptr_t lparam = received.back().lparam;
    EXPECT_EQ(lparam & 0xFFFF, 1024);
    EXPECT_EQ((lparam >> 16) & 0xFFFF, 768);
    window_update(window);
    EXPECT_EQ(count(WINDOW_PAINT), 1);
}

TEST_F(Window, DefaultCloseDestroysTheWindowInsideTheCall) {
    window_send(window, WINDOW_CLOSE, 0, 0);
    EXPECT_EQ(count(WINDOW_DESTROY), 1);
    EXPECT_FALSE(window_alive(window));
}

TEST_F(Window, MessagesToADestroyedWindowAreDropped) {
    window_destroy(window);
    size_t before = received.size();
    EXPECT_EQ(window_send(window, WINDOW_CLOSE, 0, 0), 0);
    window_update(window);
    window_swap_buffers(window);
    window_destroy(window);
    EXPECT_EQ(received.size(), before);
    EXPECT_EQ(count(WINDOW_DESTROY), 1);
}

TEST_F(Window, OnlyOneWindowExistsAtATime) {
    EXPECT_EQ(window_create("second", 100, 100, false, recording_proc), 0u);
    window_destroy(window);
    WindowHandle next = window_create("next", 100, 100, false, recording_proc);
    EXPECT_NE(next, 0u);
    EXPECT_NE(next, window);
    window_destroy(next);
}

TEST_F(Window, MessageLoopPaintsWheneverNoEventWaitsUntilQuit) {
    window_show(window);
    paints_before_quit = 5;
    message_loop_run();
    EXPECT_EQ(count(WINDOW_PAINT), 5);
}

TEST_F(Window, MessageLoopDeliversKeysAsVirtualKeyCodesBeforePainting) {
    window_show(window);
    SDL_Event event = {};
    event.type = SDL_KEYDOWN;
    event.key.keysym.sym = SDLK_ESCAPE;
    SDL_PushEvent(&event);
    event.type = SDL_KEYUP;
    event.key.keysym.sym = SDLK_a;
    SDL_PushEvent(&event);
    received.clear();
    paints_before_quit = 1;
    message_loop_run();
    ASSERT_GE(received.size(), 3u);
    EXPECT_EQ(received[0].message, WINDOW_KEY_DOWN);
    EXPECT_EQ(received[0].wparam, VK_ESCAPE);
    EXPECT_EQ(received[1].message, WINDOW_KEY_UP);
    EXPECT_EQ(received[1].wparam, static_cast<uintptr_t>('A'));
    EXPECT_EQ(received.back().message, WINDOW_PAINT);
}

TEST_F(Window, QuitRequestFromTheDesktopClosesTheWindow) {
    SDL_Event event = {};
    event.type = SDL_QUIT;
    SDL_PushEvent(&event);
    paints_before_quit = 1000;
    quit_on_destroy = true;
    message_loop_run();
    quit_on_destroy = false;
    EXPECT_EQ(count(WINDOW_CLOSE), 1);
    EXPECT_FALSE(window_alive(window));
}

TEST(VirtualKeys, MapToTheDesktopCodes) {
    EXPECT_EQ(virtual_key(SDLK_ESCAPE), 27u);
    EXPECT_EQ(virtual_key(SDLK_a), static_cast<uint32_t>('A'));
    EXPECT_EQ(virtual_key(SDLK_z), static_cast<uint32_t>('Z'));
    EXPECT_EQ(virtual_key(SDLK_0), static_cast<uint32_t>('0'));
    EXPECT_EQ(virtual_key(SDLK_RETURN), 0x0Du);
    EXPECT_EQ(virtual_key(SDLK_SPACE), 0x20u);
    EXPECT_EQ(virtual_key(SDLK_LEFT), 0x25u);
    EXPECT_EQ(virtual_key(SDLK_F1), 0x70u);
    EXPECT_EQ(virtual_key(SDLK_F12), 0x7Bu);
    EXPECT_EQ(virtual_key(SDLK_RSHIFT), 0x10u);
    EXPECT_EQ(virtual_key(SDLK_APPLICATION), 0u);
}

TEST(DisplayMode, OnlyModesTheDisplayOffersAreAccepted) {
    ASSERT_TRUE(test_display_open());
    SDL_DisplayMode desktop;
    ASSERT_EQ(SDL_GetDesktopDisplayMode(0, &desktop), 0);
    EXPECT_FALSE(display_mode_request(desktop.w + 16, desktop.h, 32));
    EXPECT_EQ(display_mode_requested(), nullptr);
    EXPECT_FALSE(display_mode_request(desktop.w, desktop.h, 16));
    ASSERT_TRUE(display_mode_request(desktop.w, desktop.h, 32));
    ASSERT_NE(display_mode_requested(), nullptr);
    EXPECT_EQ(display_mode_requested()->w, desktop.w);
    display_mode_restore();
    EXPECT_EQ(display_mode_requested(), nullptr);
}

TEST(Cursor, CountsLikeADisplayCounter) {
    ASSERT_TRUE(test_display_open());
    EXPECT_EQ(cursor_show(false), -1);
    EXPECT_EQ(cursor_show(false), -2);
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE);
    EXPECT_EQ(cursor_show(true), -1);
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE);
    EXPECT_EQ(cursor_show(true), 0);
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_ENABLE);
}

TEST(PlatformOpen, WithoutADisplayItFailsWithAReason) {
    // Checked in a child process: this one keeps its display for the other tests.
    EXPECT_EXIT(
        {
            unsetenv("DISPLAY");
            bool opened = platform_open();
            std::fprintf(stderr, "%s\n", platform_error());
            std::exit(opened ? 1 : 0);
        },
        ::testing::ExitedWithCode(0), "no X display");
}
