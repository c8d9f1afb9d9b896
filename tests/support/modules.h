// Modules for the player and audio tests: built with the XM writer and served as an embedded
// resource, the real test songs kept in tests/data/xm, and block rendering to a mono signal.
#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

#include "audio/audio.h"
#include "resources/resources.h"
#include "player/player.h"
#include "tools/xm_writer/xm_writer.h"

// Serves the bytes as the one embedded resource, of that type and name.
inline void serve_resource(const char* type, const char* name, const std::vector<uint8_t>& bytes) {
    static std::vector<uint8_t> served;
    static EmbeddedResource table[1];
    served = bytes;
    table[0] = {type, name, served.data(), uint32_t(served.size())};
    resources_use(table, 1);
}

// Serves the bytes as the "MUSIC" resource "TEST" and loads them.
inline Song* load_bytes(const std::vector<uint8_t>& bytes, SampleLoadCallback callback = nullptr) {
    serve_resource("MUSIC", "TEST", bytes);
    music_set_file_callbacks(resource_open, resource_close, resource_read, resource_seek, resource_tell);
    return music_load("TEST", callback);
}

inline Song* load_module(const XmModule& module, SampleLoadCallback callback = nullptr) {
    return load_bytes(xm_write(module), callback);
}

// Real songs by other people (sources and licences in the folder's README).
inline std::filesystem::path testdata_dir() {
    return std::filesystem::path(__FILE__).parent_path().parent_path() / "data" / "xm";
}
inline const char* const test_songs[] = {"drozerix-dream-candy.xm", "drozerix-crush.xm",
                                         "drozerix-bit-loader.xm", "lachesis-villgust-gaiden-menu.xm"};

// The first `frames` frames of the song from the block renderer as (L + R) / 2; empty when it
// cannot be prepared. Releases the playback, not the song.
inline std::vector<double> render_mono(Song* song, int64_t frames) {
    std::vector<double> mono;
    if (!song || !playback_prepare(song)) return mono;
    while (int64_t(mono.size()) < frames) {
        const int16_t* pcm = wave_buffer + 2 * size_t(write_block) * size_t(block_frames);
        render_next_block();
        for (int k = 0; k < block_frames; ++k) mono.push_back((pcm[2 * k] + pcm[2 * k + 1]) / 2.0);
    }
    mono.resize(size_t(frames));
    playback_release();
    return mono;
}
