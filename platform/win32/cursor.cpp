// The mouse cursor: the system's own display counter.
#include "platform/win32/internal.h"

int cursor_show(bool show) { return ShowCursor(show ? TRUE : FALSE); }
