// Linked into the Windows demo: the system refuses to register its window class, as a class of the
// same name is registered for the program's module before main runs.
#include <windows.h>

static const ATOM taken = [] {
    WNDCLASSA taken_class = {};
    taken_class.lpfnWndProc = DefWindowProcA;
    taken_class.hInstance = GetModuleHandleA(nullptr);
    taken_class.lpszClassName = "OpenGL";
    return RegisterClassA(&taken_class);
}();
