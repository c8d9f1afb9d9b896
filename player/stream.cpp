// The registered stream callbacks and the thin wrappers the loader reads through.
#include <cstdlib>

#include "player/stream.h"

struct FileCallbacks {
    FileOpenFn open;
    FileCloseFn close;
    FileReadFn read;
    FileSeekFn seek;
    FileTellFn tell;
};

static FileCallbacks callbacks;

void music_set_file_callbacks(FileOpenFn open, FileCloseFn close, FileReadFn read, FileSeekFn seek,
                              FileTellFn tell) {
    // A partial set is never kept: any null clears all five.
    if (!open || !close || !read || !seek || !tell) {
        callbacks = FileCallbacks{};
        return;
    }
    callbacks = FileCallbacks{open, close, read, seek, tell};
}

bool music_file_callbacks_set() { return callbacks.open != nullptr; }

StreamHandle* stream_open(const char* name, uint8_t mode, int32_t value) {
    if (!music_file_callbacks_set()) return nullptr;
    StreamHandle* handle = static_cast<StreamHandle*>(std::calloc(1, sizeof(StreamHandle)));
    if (!handle) return nullptr;
    handle->mode = mode;
    handle->value = value;
    handle->stream = callbacks.open(name);
    if (!handle->stream) {
        std::free(handle);
        return nullptr;
    }
    return handle;
}

void stream_close(StreamHandle* handle) {
    if (!handle) return;
    if (callbacks.close) callbacks.close(handle->stream);
    std::free(handle);
}

int32_t stream_read(void* destination, int32_t count, StreamHandle* handle) {
    if (!handle || !callbacks.read) return 0;
    return callbacks.read(destination, count, handle->stream);
}

void stream_seek(StreamHandle* handle, int32_t offset, int32_t origin) {
    if (!handle || !callbacks.seek) return;
    callbacks.seek(handle->stream, offset, origin);
}

int32_t stream_tell(StreamHandle* handle) {
    if (!handle || !callbacks.tell) return 0;
    return callbacks.tell(handle->stream);
}
