// Stream callbacks over files on disk, for tools and tests. They behave like the resource
// stream: reads stop at the end, seeks are clamped to the file.
#include <cstdio>
#include <cstdlib>

#include "player/stream.h"

namespace {

struct FileStream {
    std::FILE* file;
    int32_t size;
    int32_t position;
};

}  // namespace

void* file_open(const char* path) {
    if (!path) return nullptr;
    std::FILE* file = std::fopen(path, "rb");
    if (!file) return nullptr;
    long size = -1;
    if (std::fseek(file, 0, SEEK_END) == 0) size = std::ftell(file);
    // Streams address bytes with 32-bit positions: larger files cannot be read.
    if (size < 0 || size > INT32_MAX || std::fseek(file, 0, SEEK_SET) != 0) {
        std::fclose(file);
        return nullptr;
    }
    FileStream* stream = static_cast<FileStream*>(std::calloc(1, sizeof(FileStream)));
    if (!stream) {
        std::fclose(file);
        return nullptr;
    }
    stream->file = file;
    stream->size = int32_t(size);
    return stream;
}

void file_close(void* stream) {
    FileStream* s = static_cast<FileStream*>(stream);
    if (!s) return;
    std::fclose(s->file);
    std::free(s);
}

int32_t file_read(void* destination, int32_t count, void* stream) {
    FileStream* s = static_cast<FileStream*>(stream);
    if (!s || !destination || count <= 0) return 0;
    size_t got = std::fread(destination, 1, size_t(count), s->file);
    s->position += int32_t(got);
    return int32_t(got);
}

void* file_seek(void* stream, int32_t offset, int32_t origin) {
    FileStream* s = static_cast<FileStream*>(stream);
    if (!s) return stream;
    // The resource stream's rules decide the target: seek a byte-less view of this file.
    ResourceStream view{s->size, s->position, nullptr};
    resource_seek(&view, offset, origin);
    if (std::fseek(s->file, long(view.position), SEEK_SET) == 0) s->position = view.position;
    return stream;
}

int32_t file_tell(void* stream) {
    const FileStream* s = static_cast<const FileStream*>(stream);
    return s ? s->position : 0;
}
