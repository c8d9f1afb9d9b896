// The program's one window: a borderless pop-up of the "OpenGL" class at (0, 0), with a WGL
// context, and the window procedure that turns its Win32 messages into the program's.
#include <vector>

#include "platform/win32/internal.h"

static const char* const class_name = "OpenGL";

static HWND hwnd = nullptr;
static HDC device_context = nullptr;
static HGLRC gl_context = nullptr;
static bool full_screen = false;

static intptr_t client_size_param(int width, int height) {
    return (width & 0xFFFF) | ((height & 0xFFFF) << 16);
}

static LRESULT CALLBACK win32_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    const WindowHandle live = window_live();
    if (window != hwnd || live == 0) return DefWindowProcA(window, message, wparam, lparam);
    switch (message) {
    case WM_SIZE:
        window_send(live, WINDOW_SIZE, 0, client_size_param(LOWORD(lparam), HIWORD(lparam)));
        return 0;
    // Frames come from the message loop whenever the queue is empty; the system's own paint
    // requests are only acknowledged.
    case WM_PAINT: ValidateRect(window, nullptr); return 0;
    case WM_ERASEBKGND: return 1;
    // The virtual-key code is the program's key code. A key-up without its key-down (the Return
    // that answered the question box) is delivered like any other; the procedure only clears
    // its flag.
    case WM_KEYDOWN: window_send(live, WINDOW_KEY_DOWN, wparam, 0); return 0;
    case WM_KEYUP: window_send(live, WINDOW_KEY_UP, wparam, 0); return 0;
    case WM_CLOSE: window_send(live, WINDOW_CLOSE, 0, 0); return 0;
    default: return DefWindowProcA(window, message, wparam, lparam);
    }
}

bool window_register_class() {
    static bool registered = false;
    if (registered) return true;
    WNDCLASSA window_class = {};
    window_class.style = CS_VREDRAW | CS_HREDRAW | CS_OWNDC;
    window_class.lpfnWndProc = win32_proc;
    window_class.hInstance = GetModuleHandleA(nullptr);
    window_class.hIcon = LoadIconA(nullptr, IDI_WINLOGO);
    window_class.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    window_class.lpszClassName = class_name;
    registered = RegisterClassA(&window_class) != 0;
    if (!registered) {
        return platform_fail("cannot register the window class", system_error_text(GetLastError()));
    }
    return true;
}

// The best format the device offers (pixel_format_choose); where none fits, what the system picks
// for the same request, and where it picks nothing, format 1.
static int choose_format(HDC dc) {
    PIXELFORMATDESCRIPTOR first = {};
    int count = DescribePixelFormat(dc, 1, sizeof first, &first);
    // A format that cannot be described is left zeroed, which fits nothing.
    std::vector<PIXELFORMATDESCRIPTOR> formats(count > 0 ? count : 0);
    for (int i = 0; i < count; ++i) {
        if (DescribePixelFormat(dc, i + 1, sizeof formats[i], &formats[i]) == 0) formats[i] = {};
    }
    int best = pixel_format_choose(formats.data(), count);
    if (best != 0) return best;
    PIXELFORMATDESCRIPTOR request = {};
    request.nSize = sizeof request;
    request.nVersion = 1;
    request.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    request.iPixelType = PFD_TYPE_RGBA;
    request.cColorBits = 32;
    request.cAccumBits = 64;
    request.cDepthBits = 32;
    request.cStencilBits = 8;
    int chosen = ChoosePixelFormat(dc, &request);
    return chosen != 0 ? chosen : 1;
}

// Swaps wait for the display's refresh where the driver offers it: adaptive first (a late frame
// shows at once), else plain.
static void sync_swaps_to_display() {
    typedef BOOL(WINAPI * SwapInterval)(int);
    SwapInterval set_interval = reinterpret_cast<SwapInterval>(
        reinterpret_cast<void (*)()>(wglGetProcAddress("wglSwapIntervalEXT")));
    if (set_interval != nullptr && !set_interval(-1)) set_interval(1);
}

// As on the desktop the program was written for, a context that cannot be made is not an error:
// the window stays and GL calls reach no context.
static void make_gl_context() {
    device_context = GetDC(hwnd);
    PIXELFORMATDESCRIPTOR format = {};
    int index = choose_format(device_context);
    DescribePixelFormat(device_context, index, sizeof format, &format);
    SetPixelFormat(device_context, index, &format);
    gl_context = wglCreateContext(device_context);
    if (gl_context == nullptr) return;
    wglMakeCurrent(device_context, gl_context);
    sync_swaps_to_display();
}

WindowHandle window_create(const char* title, int width, int height, bool fullscreen,
                           WindowProc proc) {
    if (window_live() != 0 || proc == nullptr || !window_register_class()) return 0;
    full_screen = fullscreen && display_mode_requested() != nullptr;
    const DWORD style = WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
    const DWORD ex_style = full_screen ? WS_EX_APPWINDOW : WS_EX_APPWINDOW | WS_EX_WINDOWEDGE;
    RECT rect = {0, 0, width, height};
    AdjustWindowRectEx(&rect, style, FALSE, ex_style);
    hwnd = CreateWindowExA(ex_style, class_name, title, style, 0, 0, rect.right - rect.left,
                           rect.bottom - rect.top, nullptr, nullptr, GetModuleHandleA(nullptr),
                           nullptr);
    if (hwnd == nullptr) return 0;
    make_gl_context();
    WindowHandle handle = window_handle_open(proc);
    window_send(handle, WINDOW_CREATE, 0, 0);
    return handle;
}

HWND window_hwnd() { return hwnd; }

// A full-screen window appears only once the display runs the requested mode; after a refusal it
// stays hidden, and once the request is withdrawn (display_mode_restore) it shows windowed.
bool window_show(WindowHandle window) {
    if (!window_alive(window)) return false;
    if (full_screen && display_mode_requested() != nullptr && !display_mode_apply()) return false;
    ShowWindow(hwnd, SW_SHOWNORMAL);
    if (!window_alive(window)) return false;
    RECT client = {};
    GetClientRect(hwnd, &client);
    window_send(window, WINDOW_SIZE, 0, client_size_param(client.right, client.bottom));
    return true;
}

void window_focus(WindowHandle window) {
    if (!window_alive(window)) return;
    SetForegroundWindow(hwnd);
    SetFocus(hwnd);
}

void window_hide() { ShowWindow(hwnd, SW_HIDE); }

void window_free() {
    ReleaseDC(hwnd, device_context);
    device_context = nullptr;
    HWND going = hwnd;
    hwnd = nullptr;
    DestroyWindow(going);
}

void window_swap_buffers(WindowHandle window) {
    if (!window_alive(window) || gl_context == nullptr) return;
    SwapBuffers(device_context);
}

void window_release_gl(WindowHandle window) {
    if (!window_alive(window) || gl_context == nullptr) return;
    wglMakeCurrent(nullptr, nullptr);
    wglDeleteContext(gl_context);
    gl_context = nullptr;
}
