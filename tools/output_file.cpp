#include "tools/output_file.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

OutputFile output_begin(const char* path) {
    OutputFile output;
    output.path = path;
    output.temp = output.path + ".part" + std::to_string(static_cast<long>(getpid()));
    return output;
}

bool output_commit(const OutputFile& output, std::string* error) {
    if (std::rename(output.temp.c_str(), output.path.c_str()) == 0) return true;
    *error = std::strerror(errno);
    output_discard(output);
    return false;
}

void output_discard(const OutputFile& output) { std::remove(output.temp.c_str()); }

bool output_write(const char* path, const std::vector<uint8_t>& bytes, std::string* error) {
    OutputFile output = output_begin(path);
    std::FILE* file = std::fopen(output.temp.c_str(), "wb");
    if (!file) {
        *error = std::strerror(errno);
        return false;
    }
    bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    int write_errno = errno;
    if (std::fclose(file) != 0 && written) {
        written = false;
        write_errno = errno;
    }
    if (!written) {
        *error = std::strerror(write_errno);
        output_discard(output);
        return false;
    }
    return output_commit(output, error);
}
