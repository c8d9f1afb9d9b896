// Embedded resources: files compiled into the binary (cmake/EmbedResources.cmake), found by
// (type, name) as read-only bytes. Pure C++, so the portable core can read them without linking
// the platform layer.
#pragma once

#include <cstdint>

struct EmbeddedResource {
    const char* type;
    const char* name;
    const unsigned char* data;
    uint32_t size;
};

// Declares the table that quadrise_embed_resources(<target> ...) generates.
#define QUADRISE_RESOURCE_TABLE(target)             \
    extern const EmbeddedResource target##_table[]; \
    extern const int target##_count

#ifdef _WIN32
// Windows builds compile the files as Win32 resources of the program's own image (a .rc file the
// build writes); their generated table holds what this finds for each (type, name) through
// FindResourceA, LoadResource, LockResource and SizeofResource: null data and size 0 when the
// image has no such resource.
EmbeddedResource resource_from_image(const char* type, const char* name);
#endif

// Makes a generated table the one that resource_find searches.
void resources_use(const EmbeddedResource* table, int count);

// The bytes of resource (type, name) and their size, or null (size 0) when there is none.
const unsigned char* resource_find(const char* type, const char* name, uint32_t* size);
