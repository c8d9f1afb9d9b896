// Embedded resources: a lookup by (type, name) over the table the build generated.
#include <cstring>

#include "resources/resources.h"

static const EmbeddedResource* resource_table = nullptr;
static int resource_count = 0;

void resources_use(const EmbeddedResource* table, int count) {
    resource_table = table;
    resource_count = (table != nullptr && count > 0) ? count : 0;
}

const unsigned char* resource_find(const char* type, const char* name, uint32_t* size) {
    if (size != nullptr) *size = 0;
    if (type == nullptr || name == nullptr) return nullptr;
    for (int i = 0; i < resource_count; ++i) {
        const EmbeddedResource& entry = resource_table[i];
        if (std::strcmp(entry.type, type) != 0 || std::strcmp(entry.name, name) != 0) continue;
        if (size != nullptr) *size = entry.size;
        return entry.data;
    }
    return nullptr;
}
