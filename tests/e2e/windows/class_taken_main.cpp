// The Windows demo where the system refuses to register its window class: a class of the same
// name is registered for the program's module first, so the demo's own registration fails.
#include <windows.h>

#include "app/app.h"
#include "resources/resources.h"

QUADRISE_RESOURCE_TABLE(quadrise_resources);

int main() {
    WNDCLASSA taken = {};
    taken.lpfnWndProc = DefWindowProcA;
    taken.hInstance = GetModuleHandleA(nullptr);
    taken.lpszClassName = "OpenGL";
    if (RegisterClassA(&taken) == 0) return 1;
    resources_use(quadrise_resources_table, quadrise_resources_count);
    return app_main();
}
