// Shared by the player tests: modules built with the XM writer, served as an embedded resource
// and loaded, and the shared test songs beside the checkout.
#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

#include "platform/platform.h"
#include "player/player.h"
#include "tools/xm_writer.h"

// Serves the bytes as the "MUSIC" resource "TEST" and loads them.
inline Song* load_bytes(const std::vector<uint8_t>& bytes, SampleLoadCallback callback = nullptr) {
    static std::vector<uint8_t> served;
    static EmbeddedResource table[1];
    served = bytes;
    table[0] = {"MUSIC", "TEST", served.data(), uint32_t(served.size())};
    resources_use(table, 1);
    music_set_file_callbacks(resource_open, resource_close, resource_read, resource_seek,
                             resource_tell);
    return music_load("TEST", callback);
}

inline Song* load_module(const XmModule& module, SampleLoadCallback callback = nullptr) {
    return load_bytes(xm_write(module), callback);
}

// <repo>/../shared/testdata/xm
inline std::filesystem::path testdata_dir() {
    return std::filesystem::path(__FILE__).parent_path().parent_path().parent_path().parent_path() /
           "shared" / "testdata" / "xm";
}
