// The platform layer: the only code that talks to SDL. It offers the program the services it was
// designed around (message boxes, display mode, one GL window with a window procedure, cursor,
// wave-out audio, embedded resources) in the program's own terms.
#pragma once

#include <cstdint>

// ---- Embedded resources -------------------------------------------------------------------
// Files under a resources folder are compiled into the binary (cmake/EmbedResources.cmake) and
// found by (type, name) as read-only bytes.
struct EmbeddedResource {
    const char* type;
    const char* name;
    const unsigned char* data;
    uint32_t size;
};

// Declares the table that quadrise_embed_resources(<target> ...) generates.
#define QUADRISE_RESOURCE_TABLE(target)                 \
    extern const EmbeddedResource target##_table[];     \
    extern const int target##_count

// Makes a generated table the one that resource_find searches.
void resources_use(const EmbeddedResource* table, int count);

// The bytes of resource (type, name) and their size, or null (size 0) when there is none.
const unsigned char* resource_find(const char* type, const char* name, uint32_t* size);
