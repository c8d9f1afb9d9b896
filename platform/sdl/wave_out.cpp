// Wave-out over SDL audio: one buffer that loops forever, and the running count of the bytes the
// device has taken from it. SDL pulls the sound through a callback on its own audio thread; the
// callback copies from the looping buffer at the current offset and advances it. Where SDL opens
// no device, the silent one (platform/silent_device.cpp) takes the buffer instead, by SDL's
// performance counter.
#include <cstring>

#include "platform/platform.h"
#include "platform/sdl/internal.h"

static SDL_AudioDeviceID device = 0;

// Shared with the audio thread; touched only under the device's lock.
static const uint8_t* loop_data = nullptr;
static uint32_t loop_bytes = 0;
static uint32_t loop_offset = 0;
static uint32_t played_bytes = 0;

static void SDLCALL fill_from_loop(void*, Uint8* stream, int length) {
    uint32_t wanted = static_cast<uint32_t>(length);
    if (loop_data == nullptr || loop_bytes == 0) {
        std::memset(stream, 0, wanted);
        return;
    }
    played_bytes += wanted;  // wraps at 2^32, as the device counter it stands for does
    while (wanted > 0) {
        uint32_t piece = loop_bytes - loop_offset < wanted ? loop_bytes - loop_offset : wanted;
        std::memcpy(stream, loop_data + loop_offset, piece);
        stream += piece;
        wanted -= piece;
        loop_offset += piece;
        if (loop_offset == loop_bytes) loop_offset = 0;
    }
}

static void set_loop(const int16_t* frames, uint32_t bytes) {
    SDL_LockAudioDevice(device);
    loop_data = reinterpret_cast<const uint8_t*>(frames);
    loop_bytes = bytes & ~3u;  // whole frames only
    loop_offset = 0;
    played_bytes = 0;
    SDL_UnlockAudioDevice(device);
}

// Opens SDL's default output device; false, with the reason recorded, when it cannot.
static bool device_open(int32_t rate) {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        return platform_fail("cannot open the audio device", SDL_GetError());
    }
    SDL_AudioSpec wanted = {};
    wanted.freq = rate;
    wanted.format = AUDIO_S16SYS;
    wanted.channels = 2;
    wanted.samples = wave_out_chunk_frames;
    wanted.callback = fill_from_loop;
    // No changes allowed: SDL converts to whatever the hardware wants, the callback sees this
    // format.
    device = SDL_OpenAudioDevice(nullptr, 0, &wanted, nullptr, 0);
    if (device == 0) {
        platform_fail("cannot open the audio device", SDL_GetError());
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    return true;
}

bool wave_out_open(int32_t rate) {
    if (device != 0 || wave_out_silent())
        return platform_fail("cannot open the audio device", "it is already open");
    // Without a device the program plays on in silence; platform_error() keeps why.
    return device_open(rate) || silent_open(rate);
}

void wave_out_write(const int16_t* frames, uint32_t bytes) {
    if (device == 0) {
        silent_write();
        return;
    }
    set_loop(frames, bytes);
    SDL_PauseAudioDevice(device, 0);
}

bool wave_out_position(uint32_t* bytes) {
    if (device == 0) return silent_position(bytes);
    SDL_LockAudioDevice(device);
    *bytes = played_bytes;
    SDL_UnlockAudioDevice(device);
    return true;
}

void wave_out_lock() {
    if (device != 0) SDL_LockAudioDevice(device);
}

void wave_out_unlock() {
    if (device != 0) SDL_UnlockAudioDevice(device);
}

void wave_out_reset() {
    if (device == 0) {
        silent_reset();
        return;
    }
    SDL_PauseAudioDevice(device, 1);
    set_loop(nullptr, 0);
}

void wave_out_close() {
    if (device == 0) {
        silent_close();
        return;
    }
    wave_out_reset();
    SDL_CloseAudioDevice(device);
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    device = 0;
}

uint64_t clock_ticks() { return SDL_GetPerformanceCounter(); }

uint64_t clock_ticks_per_second() { return SDL_GetPerformanceFrequency(); }
