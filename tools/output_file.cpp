#include "tools/output_file.h"

#include <unistd.h>

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

bool output_commit(const OutputFile& output) {
    if (std::rename(output.temp.c_str(), output.path.c_str()) == 0) return true;
    error_text = std::strerror(errno);
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
