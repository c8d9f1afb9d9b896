// Output files the tools write whole or not at all: the bytes go to a temporary file beside the
// target, which is renamed over it only once everything has been written. A failed or interrupted
// write leaves the old file (or no file) in place, never a half-written one.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct OutputFile {
    std::string path;  // the file the user named
    std::string temp;  // where the bytes go until output_commit
};

// Names the temporary file for path (in the same folder, so the rename stays on one file system).
OutputFile output_begin(const char* path);
// Renames the finished temporary file over the target. False (with the temporary file removed)
// when that fails; output_error() then says why.
bool output_commit(const OutputFile& output);
// Removes the temporary file of an abandoned write.
void output_discard(const OutputFile& output);
// Writes bytes as the whole new content of path. False when that fails; output_error() says why.
bool output_write(const char* path, const std::vector<uint8_t>& bytes);
// Why the last output_commit or output_write failed, as one line (the system's error text).
const char* output_error();
