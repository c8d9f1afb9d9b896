// The page's sound device and mixing thread, in one standalone WebAssembly module that the audio
// worklet instantiates (quadrise-audio.wasm). It synthesizes the instruments, loads the embedded
// soundtrack and plays it the desktop's way: the ring, rendered whole ahead, loops on the device;
// each call of worklet_process hands the output the frames at the play cursor and then does one
// pass of the mixing thread, re-rendering every block the cursor has left. The clock block then is
// the block under the cursor, and its stamp the time the page's clock shows.
//
// The worklet's script calls only the functions below; the samples go out through three buffers
// in the module's memory: the 16-bit frames handed out, and the same as the output's two float
// channels (a 16-bit sample s plays as s / 32768, exactly).
#include <cstdint>
#include <cstdio>

#include <emscripten/emscripten.h>

#include "audio/audio.h"
#include "player/player.h"
#include "resources/resources.h"
#include "synth/synth.h"

QUADRISE_RESOURCE_TABLE(quadrise_resources);

#define WORKLET_EXPORT extern "C" EMSCRIPTEN_KEEPALIVE

// The most frames one call hands out (a Web Audio render quantum is 128).
constexpr int32_t max_frames = 1024;

static int16_t handed[max_frames * 2];
static float left[max_frames];
static float right[max_frames];

static Song* song = nullptr;
static bool playing = false;
// Bytes the device has taken since playback started: a running count that wraps at 2^32, as a
// wave-out device's position does.
static uint32_t taken_bytes = 0;
static char error_line[256] = "";

static int32_t fail(const char* reason, const char* detail) {
    std::snprintf(error_line, sizeof error_line, "%s%s%s", reason, *detail ? ": " : "", detail);
    return 0;
}

// Why worklet_open or worklet_play failed, as one line.
WORKLET_EXPORT const char* worklet_error() { return error_line; }

// Synthesizes the instruments and loads the soundtrack from the embedded module. 1 when done, 0
// with worklet_error() saying why.
WORKLET_EXPORT int32_t worklet_open() {
    if (song) return 1;
    if (!synth_slots_create() || !synth_render_all())
        return fail("cannot synthesize the instruments", "");
    resources_use(quadrise_resources_table, quadrise_resources_count);
    music_set_file_callbacks(resource_open, resource_close, resource_read, resource_seek,
                             resource_tell);
    song = music_load("XMMOD", synth_fill_sample);
    if (!song) return fail("cannot load the soundtrack", music_load_error());
    return 1;
}

// Starts the song from its beginning: the ring rendered whole ahead, the clock at block 0, the
// device at the ring's first frame. 1 when it plays, 0 with worklet_error() saying why.
WORKLET_EXPORT int32_t worklet_play() {
    playing = false;
    if (!song) return fail("no song to play", "");
    if (!playback_prepare(song)) return fail("out of memory for the block ring", "");
    for (int32_t block = 0; block < block_count; ++block) render_next_block();
    clock_block_set(0);
    taken_bytes = 0;
    playing = true;
    return 1;
}

// Stops playing and frees the ring; the output falls silent.
WORKLET_EXPORT void worklet_stop() {
    playing = false;
    playback_release();
}

// Hands the output `frames` frames (at most max_frames) from the ring at the play cursor, silence
// when nothing plays, then renders every block the cursor has left. Returns the clock block, -1
// when nothing plays.
WORKLET_EXPORT int32_t worklet_process(int32_t frames) {
    if (frames < 0) frames = 0;
    if (frames > max_frames) frames = max_frames;
    if (!playing || !wave_buffer) {
        for (int32_t i = 0; i < frames; ++i) {
            handed[2 * i] = handed[2 * i + 1] = 0;
            left[i] = right[i] = 0.0f;
        }
        return -1;
    }
    uint32_t ring = static_cast<uint32_t>(ring_frames);
    uint32_t frame = (taken_bytes / 4) % ring;
    for (int32_t i = 0; i < frames; ++i) {
        handed[2 * i] = wave_buffer[2 * frame];
        handed[2 * i + 1] = wave_buffer[2 * frame + 1];
        left[i] = static_cast<float>(handed[2 * i]) / 32768.0f;
        right[i] = static_cast<float>(handed[2 * i + 1]) / 32768.0f;
        frame = frame + 1 < ring ? frame + 1 : 0;
    }
    taken_bytes += static_cast<uint32_t>(frames) * 4;
    // The device is this thread: nothing reads the ring while a block is written.
    render_blocks_to(play_cursor_follow(taken_bytes), nullptr, nullptr);
    return clock_block;
}

// Frames of the clock block that the device has already taken (where in it the cursor is).
WORKLET_EXPORT int32_t worklet_cursor_in_block() {
    if (!playing || block_frames <= 0 || ring_frames <= 0) return 0;
    return static_cast<int32_t>((taken_bytes / 4) % static_cast<uint32_t>(ring_frames)) %
           block_frames;
}

WORKLET_EXPORT int32_t worklet_block_frames() { return block_frames; }
WORKLET_EXPORT int32_t worklet_block_count() { return block_count; }
WORKLET_EXPORT int32_t worklet_mix_rate() { return mix_rate; }

// The stamp of `block`: the song's time at the block's end, and its order and row.
static const BlockStamp* stamp(int32_t block) {
    static const BlockStamp none = {0, 0, 0};
    if (!block_stamps || block < 0 || block >= block_count) return &none;
    return &block_stamps[block];
}
WORKLET_EXPORT int32_t worklet_stamp_time(int32_t block) { return stamp(block)->time; }
WORKLET_EXPORT int32_t worklet_stamp_order(int32_t block) { return stamp(block)->order; }
WORKLET_EXPORT int32_t worklet_stamp_row(int32_t block) { return stamp(block)->row; }

WORKLET_EXPORT int16_t* worklet_handed() { return handed; }
WORKLET_EXPORT float* worklet_left() { return left; }
WORKLET_EXPORT float* worklet_right() { return right; }
