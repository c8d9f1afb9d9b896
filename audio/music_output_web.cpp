// Playback in the browser, on the page's main thread (library audio_output of the web build).
// The sound itself is made in the audio worklet by its own module (platform/web/audio/): the
// device and the mixing thread run there, on the same ring and blocks as the desktop. Here the
// ring is a mirror: the page's sound script (audio.js, globalThis.quadriseAudio) hands on each
// block stamp the worklet reaches once that block is being heard, and clock_block_set publishes
// it, so music_time_ms reads the stamp of the block being heard, as on the desktop.
//
// Where the browser gives no sound (no AudioWorklet, a context that cannot run at 44100 Hz, a
// worklet that fails), the song plays on a silent device here instead: the ring rendered on this
// thread, its cursor moved by the page's clock, nothing heard; music_silent() says so and
// music_play_error() why, as where a desktop has no audio device.
#include <emscripten/emscripten.h>

#include <cstdio>

#include "audio/audio.h"
#include "audio/play_start.h"

static bool silent = false;
// Each music_play and music_stop starts a new generation; what the page's scripts hand in for an
// older one (a stamp still in flight, a failure reported late) is dropped.
static int32_t generation = 0;

// Asks the sound script to play. 1 when the worklet will play; 0 with the reason in `reason` when
// there is no sound. Calls come back through the exported functions below.
// clang-format off
EM_JS(int32_t, web_audio_play, (int32_t token, char* reason, int32_t size), {
    const hooks = {
        clock: function(block, order, row, time) { _web_audio_clock(token, block, order, row, time); },
        silent: function(text) {
            stringToUTF8(String(text), reason, size);
            _web_audio_silent(token);
        },
        clockMs: function() { return _web_audio_clock_ms(); }
    };
    const audio = globalThis.quadriseAudio;
    const why = audio ? audio.play(hooks) : "The page has no sound script.";
    if (why === null) return 1;
    stringToUTF8(String(why), reason, size);
    return 0;
});

EM_JS(void, web_audio_stop, (), {
    if (globalThis.quadriseAudio) globalThis.quadriseAudio.stop();
});

// The silent device's clock: the bytes a 16-bit stereo device would have taken since now, handed
// to web_audio_silent_poll every few milliseconds until it says the playback is over.
EM_JS(void, web_audio_silent_start, (int32_t token, int32_t rate), {
    const start = performance.now();
    const timer = setInterval(function() {
        const frames = Math.floor((performance.now() - start) * rate / 1000);
        if (!_web_audio_silent_poll(token, (frames * 4) >>> 0)) clearInterval(timer);
    }, 5);
});
// clang-format on

bool music_silent() { return silent; }

// Plays the prepared ring on the silent device from its first frame.
static void play_silently() {
    silent = true;
    for (int32_t block = 0; block < block_count; ++block) render_next_block();
    clock_block_set(0);
    web_audio_silent_start(generation, mix_rate);
}

bool music_play(Song* song) {
    if (!play_begin(song)) return false;
    clock_block_set(0);
    playback_stop = music_stop;
    ++generation;
    if (!web_audio_play(generation, play_error, sizeof play_error)) play_silently();
    return true;
}

bool music_stop(Song* song) {
    if (!song) return false;
    ++generation;
    web_audio_stop();
    silent = false;
    playback_release();
    return true;
}

// The worklet's clock has reached `block`, whose stamp holds (order, row, time), and that block is
// now being heard.
extern "C" EMSCRIPTEN_KEEPALIVE void web_audio_clock(int32_t token, int32_t block, int32_t order,
                                                     int32_t row, int32_t time) {
    if (token != generation || silent || !block_stamps || block < 0 || block >= block_count) return;
    block_stamps[block] = BlockStamp{static_cast<uint8_t>(order), static_cast<uint8_t>(row), time};
    clock_block_set(block);
}

// The sound failed after music_play (its reason already in play_error): the song plays on from
// its beginning on the silent device. The worklet fails before its first block is heard, so the
// clock has not moved yet.
extern "C" EMSCRIPTEN_KEEPALIVE void web_audio_silent(int32_t token) {
    if (token != generation || silent || !playing_song) return;
    std::fprintf(stderr, "quadrise: no sound: %s\n", play_error);
    if (!playback_prepare(playing_song)) return;
    playback_stop = music_stop;
    play_silently();
}

// One polling pass of the mixing thread on the silent device; 0 once this playback is over.
extern "C" EMSCRIPTEN_KEEPALIVE int32_t web_audio_silent_poll(int32_t token, uint32_t bytes) {
    if (token != generation || !silent || !playing_song) return 0;
    render_blocks_to(play_cursor_follow(bytes), nullptr, nullptr);
    return 1;
}

// The clock as the timeline reads it, for the page's test hooks.
extern "C" EMSCRIPTEN_KEEPALIVE int32_t web_audio_clock_ms() { return music_time_ms(playing_song); }
