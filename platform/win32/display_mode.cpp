// The full-screen display mode. A request is checked against the modes the display offers; the
// switch itself (ChangeDisplaySettingsA with CDS_FULLSCREEN, a temporary change that the system
// undoes when the program ends) happens when the full-screen window is shown.
#include "platform/win32/internal.h"

static DEVMODEA requested_mode;
static bool mode_requested = false;
static bool mode_switched = false;

static bool display_offers(int width, int height, int bits) {
    DEVMODEA mode = {};
    mode.dmSize = sizeof mode;
    for (DWORD i = 0; EnumDisplaySettingsA(nullptr, i, &mode); ++i) {
        if (static_cast<int>(mode.dmPelsWidth) == width &&
            static_cast<int>(mode.dmPelsHeight) == height &&
            static_cast<int>(mode.dmBitsPerPel) == bits)
            return true;
    }
    return false;
}

bool display_mode_request(int width, int height, int bits) {
    if (!display_offers(width, height, bits)) return false;
    requested_mode = {};
    requested_mode.dmSize = sizeof requested_mode;
    requested_mode.dmPelsWidth = static_cast<DWORD>(width);
    requested_mode.dmPelsHeight = static_cast<DWORD>(height);
    requested_mode.dmBitsPerPel = static_cast<DWORD>(bits);
    requested_mode.dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT;
    mode_requested = true;
    return true;
}

const DEVMODEA* display_mode_requested() { return mode_requested ? &requested_mode : nullptr; }

bool display_mode_apply() {
    if (!mode_requested) return false;
    mode_switched =
        ChangeDisplaySettingsA(&requested_mode, CDS_FULLSCREEN) == DISP_CHANGE_SUCCESSFUL;
    return mode_switched;
}

void display_mode_restore() {
    mode_requested = false;
    if (!mode_switched) return;
    mode_switched = false;
    ChangeDisplaySettingsA(nullptr, 0);
}
