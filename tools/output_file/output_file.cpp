#include "tools/output_file/output_file.h"

#include <unistd.h>
#ifdef _WIN32
#include <windows.h>
#endif

#include <cerrno>
#include <cstdio>
#include <cstring>

static std::string error_text;

const char* output_error() { return error_text.c_str(); }

OutputFile output_begin(const char* path) {
    OutputFile output;
    output.path = path;
    output.temp = output.path + ".part" + std::to_string(static_cast<long>(getpid()));
    return output;
}

// The finished file takes its name in one step, replacing a file of that name; on Windows,
// rename refuses an existing target and MoveFileEx replaces it.
static bool replace(const char* from, const char* to) {
#ifdef _WIN32
    if (MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING)) return true;
    char text[256] = "";
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                   GetLastError(), 0, text, sizeof text, nullptr);
    text[std::strcspn(text, "\r\n")] = '\0';  // the system's text ends its line itself
    error_text = text[0] != '\0' ? text : "the file cannot be replaced";
    return false;
#else
    if (std::rename(from, to) == 0) return true;
    error_text = std::strerror(errno);
    return false;
#endif
}

bool output_commit(const OutputFile& output) {
    if (replace(output.temp.c_str(), output.path.c_str())) return true;
    output_discard(output);
    return false;
}

void output_discard(const OutputFile& output) { std::remove(output.temp.c_str()); }

bool output_write(const char* path, const std::vector<uint8_t>& bytes) {
    OutputFile output = output_begin(path);
    std::FILE* file = std::fopen(output.temp.c_str(), "wb");
    if (!file) {
        error_text = std::strerror(errno);
        return false;
    }
    bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    int write_errno = errno;
    if (std::fclose(file) != 0 && written) {
        written = false;
        write_errno = errno;
    }
    if (!written) {
        error_text = std::strerror(write_errno);
        output_discard(output);
        return false;
    }
    return output_commit(output);
}
