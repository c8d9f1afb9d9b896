// The line platform_error() reports: the reason of the last failure of either backend.
#include <cstdio>

#include "platform/backend.h"

static char error_line[256] = "";

bool platform_fail(const char* reason, const char* detail) {
    std::snprintf(error_line, sizeof error_line, "%s%s%s", reason, detail[0] ? ": " : "", detail);
    return false;
}

const char* platform_error() { return error_line; }
