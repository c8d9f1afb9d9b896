// The application's stream callbacks: a read-only stream over an embedded "MUSIC" resource.
#include <cstdlib>
#include <cstring>

#include "player/stream.h"
#include "resources/resources.h"

void* resource_open(const char* name) {
    ResourceStream* stream = static_cast<ResourceStream*>(std::calloc(1, sizeof(ResourceStream)));
    if (!stream) return nullptr;
    uint32_t size = 0;
    const unsigned char* base = resource_find("MUSIC", name, &size);
    // A missing resource (or one too large to address) is an empty stream, not a failure.
    if (base && size <= uint32_t(INT32_MAX)) {
        stream->base = base;
        stream->size = int32_t(size);
    }
    return stream;
}

void resource_close(void* stream) { std::free(stream); }

int32_t resource_read(void* destination, int32_t count, void* stream) {
    ResourceStream* s = static_cast<ResourceStream*>(stream);
    if (!s || !destination || count <= 0) return 0;
    int32_t left = s->size - s->position;
    if (count >= left) count = left;
    if (count <= 0) return 0;
    std::memcpy(destination, s->base + s->position, size_t(count));
    s->position += count;
    return count;
}

void* resource_seek(void* stream, int32_t offset, int32_t origin) {
    ResourceStream* s = static_cast<ResourceStream*>(stream);
    if (!s) return stream;
    int64_t target = s->position;
    switch (origin & 0xFF) {
    case 0: target = offset; break;
    case 1: target = int64_t(s->position) + offset; break;
    case 2: target = int64_t(s->size) + offset; break;
    default: break;
    }
    // Past the end stops at the end; before the start stops at the start.
    if (target > s->size) target = s->size;
    if (target < 0) target = 0;
    s->position = int32_t(target);
    return stream;
}

int32_t resource_tell(void* stream) {
    const ResourceStream* s = static_cast<const ResourceStream*>(stream);
    return s ? s->position : 0;
}
