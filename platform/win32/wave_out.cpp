// Wave-out through the multimedia services: one prepared header over the whole buffer, flagged
// as the beginning and the end of a loop, which the device plays over and over by itself, and
// the running count of the bytes it has played. Where the system opens no device, the silent one
// (platform/silent_device.cpp) takes the buffer instead, by the performance counter.
//
// The device reads the buffer directly, at its own pace, and takes no lock: nothing can hold it
// back. What keeps the writer and the device apart is where they work: the mixing thread writes
// only blocks that the play position has already left, and the device reaches them again one
// whole loop later (about 2 s). wave_out_lock and wave_out_unlock are a critical section,
// entered also by wave_out_position; entering and leaving it are full memory barriers, so every
// write made under it is visible before the next position is read, and thus long before the
// device comes round to those bytes.
#include "platform/win32/internal.h"

#include <mmsystem.h>

static HWAVEOUT device = nullptr;
static WAVEHDR header = {};
static bool header_prepared = false;
static CRITICAL_SECTION lock;
static bool lock_made = false;

static bool wave_fail(const char* reason, MMRESULT result) {
    char text[MAXERRORLENGTH] = "";
    if (waveOutGetErrorTextA(result, text, sizeof text) != MMSYSERR_NOERROR || text[0] == '\0')
        wsprintfA(text, "multimedia error %u", static_cast<unsigned>(result));
    return platform_fail(reason, text);
}

// Opens the default output device; false, with the reason recorded, when it cannot.
static bool device_open(int32_t rate) {
    if (waveOutGetNumDevs() == 0)
        return platform_fail("cannot open the audio device",
                             "the system has no sound output device");
    WAVEFORMATEX format = {};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 2;
    format.nSamplesPerSec = static_cast<DWORD>(rate);
    format.nAvgBytesPerSec = static_cast<DWORD>(rate) * 4;
    format.nBlockAlign = 4;
    format.wBitsPerSample = 16;
    MMRESULT result = waveOutOpen(&device, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL);
    if (result != MMSYSERR_NOERROR) {
        device = nullptr;
        return wave_fail("cannot open the audio device", result);
    }
    if (!lock_made) {
        InitializeCriticalSection(&lock);
        lock_made = true;
    }
    return true;
}

bool wave_out_open(int32_t rate) {
    if (device != nullptr || wave_out_silent())
        return platform_fail("cannot open the audio device", "it is already open");
    // Without a device the program plays on in silence; platform_error() keeps why.
    return device_open(rate) || silent_open(rate);
}

// dwLoops counts the passes over the loop: 0xFFFFFFFF of them, 2^32 - 1 loops of a buffer of
// 2 s, is more than a century of playing, which is forever for the program.
void wave_out_write(const int16_t* frames, uint32_t bytes) {
    if (device == nullptr) {
        silent_write();
        return;
    }
    wave_out_reset();
    header = {};
    header.lpData = reinterpret_cast<LPSTR>(const_cast<int16_t*>(frames));
    header.dwBufferLength = bytes & ~3u;  // whole frames only
    header.dwFlags = WHDR_BEGINLOOP | WHDR_ENDLOOP;
    header.dwLoops = 0xFFFFFFFF;
    if (header.dwBufferLength == 0) return;
    if (waveOutPrepareHeader(device, &header, sizeof header) != MMSYSERR_NOERROR) return;
    header_prepared = true;
    waveOutWrite(device, &header, sizeof header);
}

bool wave_out_position(uint32_t* bytes) {
    if (device == nullptr) return silent_position(bytes);
    MMTIME time = {};
    time.wType = TIME_BYTES;
    EnterCriticalSection(&lock);
    MMRESULT result = waveOutGetPosition(device, &time, sizeof time);
    LeaveCriticalSection(&lock);
    if (result != MMSYSERR_NOERROR) return false;
    // A device that cannot count bytes answers in the format it can; one that counts in neither
    // bytes nor frames tells nothing.
    if (time.wType == TIME_SAMPLES) {
        *bytes = time.u.sample * 4;
        return true;
    }
    if (time.wType != TIME_BYTES) return false;
    *bytes = time.u.cb;
    return true;
}

void wave_out_lock() {
    if (device != nullptr) EnterCriticalSection(&lock);
}

void wave_out_unlock() {
    if (device != nullptr) LeaveCriticalSection(&lock);
}

void wave_out_reset() {
    if (device == nullptr) {
        silent_reset();
        return;
    }
    waveOutReset(device);
    if (header_prepared) {
        waveOutUnprepareHeader(device, &header, sizeof header);
        header_prepared = false;
    }
}

void wave_out_close() {
    if (device == nullptr) {
        silent_close();
        return;
    }
    wave_out_reset();
    waveOutClose(device);
    device = nullptr;
}

uint64_t clock_ticks() {
    LARGE_INTEGER ticks;
    QueryPerformanceCounter(&ticks);
    return static_cast<uint64_t>(ticks.QuadPart);
}

uint64_t clock_ticks_per_second() {
    LARGE_INTEGER per_second;
    QueryPerformanceFrequency(&per_second);
    return static_cast<uint64_t>(per_second.QuadPart);
}
