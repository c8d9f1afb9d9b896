// Internals of the player's input: the stream handle the loader reads through, over the
// registered callbacks, and the resource stream's state, which the file stream borrows for its
// seek rules. Everything public lives in player.h.
#pragma once

#include <cstdint>

#include "player/player.h"

struct StreamHandle {
    uint8_t mode;
    int32_t value;
    void* stream;
};

StreamHandle* stream_open(const char* name, uint8_t mode, int32_t value);
void stream_close(StreamHandle* handle);
int32_t stream_read(void* destination, int32_t count, StreamHandle* handle);
void stream_seek(StreamHandle* handle, int32_t offset, int32_t origin);
int32_t stream_tell(StreamHandle* handle);

struct ResourceStream {
    int32_t size;
    int32_t position;
    const unsigned char* base;
};

// Reads an XM module from the handle into the Song (music_load opens the handle and frees the
// Song when this fails).
bool load_xm(Song* song, StreamHandle* handle);
