// Embedded resources on Windows: the bytes of a resource of the program's own image. The only
// file outside the platform layer that talks to Win32, because the resource lookup belongs to the
// portable core; it reads what the linker put into the image and nothing else.
#include <windows.h>

#include "resources/resources.h"

EmbeddedResource resource_from_image(const char* type, const char* name) {
    // A resource of no bytes still has an address, as an empty file embedded on Linux does.
    static const unsigned char no_bytes[1] = {0};
    EmbeddedResource entry = {type, name, nullptr, 0};
    HMODULE image = GetModuleHandleA(nullptr);
    HRSRC found = FindResourceA(image, name, type);
    if (found == nullptr) return entry;
    HGLOBAL loaded = LoadResource(image, found);
    const void* data = loaded != nullptr ? LockResource(loaded) : nullptr;
    DWORD size = SizeofResource(image, found);
    if (data == nullptr && size != 0) return entry;
    entry.data = data != nullptr ? static_cast<const unsigned char*>(data) : no_bytes;
    entry.size = static_cast<uint32_t>(size);
    return entry;
}
