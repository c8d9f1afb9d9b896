// Program entry: the full-screen question, the window class, the display mode, the window and the
// message loop.
#include <cstdio>

#include "app/app.h"

bool fullscreen_mode = false;
WindowHandle main_window = 0;

static const char* const window_title = "KOLMIRAS Quadrise-Trackmo";
static const int client_width = 1024;
static const int client_height = 768;
static const int display_bits = 32;

// After a failed switch to full screen: offers windowed mode. False, after the closing message,
// when the user declines.
static bool offer_windowed_mode() {
    if (message_box("The Requested Fullscreen Mode Is Not Supported By\nYour Video Card. Use "
                    "Windowed Mode Instead?",
                    "Quib GL", MESSAGE_YES_NO, ICON_EXCLAMATION) == ANSWER_YES) {
        fullscreen_mode = false;
        return true;
    }
    message_box("Program Will Now Close.", "ERROR", MESSAGE_OK, ICON_STOP);
    return false;
}

static void ask_fullscreen() {
    fullscreen_mode = false;
    if (message_box("1024x768 fullscreen?.", window_title, MESSAGE_YES_NO, ICON_QUESTION) ==
        ANSWER_YES) {
        fullscreen_mode = true;
    }
}

// False, after its message, when the system refuses the window class.
static bool register_window_class() {
    if (window_register_class()) return true;
    message_box("Failed To Register The Window Class.", "ERROR", MESSAGE_OK, ICON_EXCLAMATION);
    return false;
}

// False when the user declines the windowed fallback after a failed mode switch.
static bool choose_display_mode() {
    if (!fullscreen_mode) return true;
    if (display_mode_request(client_width, client_height, display_bits)) {
        cursor_show(false);
        return true;
    }
    return offer_windowed_mode();
}

// The display switches when the full-screen window appears. If that fails, the window stays off
// the screen and the user has the same choice as for a mode that is not offered: windowed (the
// window shown in the desktop's mode, the full-screen hide of the cursor undone), or the end of
// the program. False when it ends.
static bool show_window() {
    if (window_show(main_window)) return true;
    if (!offer_windowed_mode()) return false;
    display_mode_restore();
    cursor_show(true);
    window_show(main_window);
    return true;
}

int app_main() {
    platform_end_on_interrupt();
    if (!platform_open()) {
        // Without a display no message box can appear either, so say it on the terminal.
        std::fprintf(stderr, "quadrise: cannot start: %s\n", platform_error());
        return 0;
    }
    // The question, the window class, then the display mode. An interrupt while a question was
    // up ends the program before any window exists.
    ask_fullscreen();
    if (!register_window_class() || !choose_display_mode() || platform_interrupted()) {
        platform_close();
        return 0;
    }
    main_window =
        window_create(window_title, client_width, client_height, fullscreen_mode, app_window_proc);
    if (main_window == 0) {
        message_box("Window Creation Error.", "ERROR", MESSAGE_OK, ICON_EXCLAMATION);
        platform_close();
        return 0;
    }
    if (!show_window()) {
        window_destroy(main_window);
        platform_close();
        return 0;
    }
    window_update(main_window);
    cursor_show(false);
    window_focus(main_window);
    message_loop_run();
    platform_close();
    return 0;
}
