// quadrise-render video: the show as one MP4 file, as the demo presents it on a machine that
// draws every frame in no time: at each frame time k/fps the picture the demo draws when its play
// cursor is at that moment, and the soundtrack from the block renderer the device hears.
#include <chrono>
#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "audio/audio.h"
#include "platform/platform.h"
#include "synth/synth.h"
#include "timeline/timeline.h"
#include "tools/frame_render/frame_render.h"
#include "tools/media_files/video_encoder.h"
#include "tools/output_file/output_file.h"
#include "tools/progress_bar/progress_bar.h"
#include "tools/quadrise_render/render_commands.h"
#include "tools/quadrise_render/render_options.h"
#include "tools/quadrise_render/video_frames.h"
#include "tools/soundtrack/soundtrack.h"

static const char HELP[] =
    "usage: quadrise-render video -o OUT.mp4 [--fps N] [--from MS] [--to MS] [--crf N]\n"
    "Writes the show as the demo presents it: 1024x768 pictures, N a second (default 60),\n"
    "as H.264 and the soundtrack as AAC, 44100 Hz stereo, in one MP4 file. MS are music\n"
    "times, as the scenes and 'quadrise-render timemap' count them: the video starts with the\n"
    "frame at which the music clock reaches --from (default 0) and ends before the one at\n"
    "which it reaches --to (default 157000, where the show ends). The clock runs about 5%\n"
    "slower than the sound plays, so the whole show lasts 165.6 s. --crf is x264's quality,\n"
    "from 0 (lossless) to 51 (default 18). Draws on the X display when there is one,\n"
    "else off screen through EGL.\n";

constexpr int32_t DEFAULT_FPS = 60;
constexpr int32_t DEFAULT_CRF = 18;
// Frames drawn, unrecorded, before the first frame of a video that starts late: the state
// machine then meets the first frame as the demo's frames leave it (a threshold passed just
// before it may still be passing through its one-frame states).
constexpr int64_t LEAD_FRAMES = 3;

static const char* const COMMAND = "video";
static int32_t fps;

// The soundtrack as the device hears it, block after block from the start: the 16-bit stereo
// frames, and for every block the music clock while it plays (the block's stamp).
static std::vector<int16_t> heard;
static std::vector<int32_t> block_clock;

static Song* show_song;
static volatile std::sig_atomic_t interrupted = 0;

static void on_signal(int signal) { interrupted = signal; }

// The music clock at frame k: the stamp of the block holding the frame's first sound frame.
static uint32_t frame_clock(int64_t k) {
    int64_t block = video_frame_sound(k, fps, mix_rate) / block_frames;
    while (static_cast<int64_t>(block_clock.size()) <= block) {
        int32_t b = write_block;
        render_next_block();
        const int16_t* pcm = wave_buffer + 2 * static_cast<size_t>(b) * block_frames;
        heard.insert(heard.end(), pcm, pcm + 2 * static_cast<size_t>(block_frames));
        int32_t stamp = block_stamps[b].time;  // copied out: the packed field is not aligned
        block_clock.push_back(stamp);
    }
    return static_cast<uint32_t>(block_clock[block]);
}

static std::string minutes(double seconds) {
    int32_t whole = static_cast<int32_t>(seconds + 0.5);
    char text[16];
    std::snprintf(text, sizeof text, "%d:%02d", whole / 60, whole % 60);
    return text;
}

static void show_progress(int64_t done, int64_t total, double elapsed) {
    double fraction = static_cast<double>(done) / static_cast<double>(total);
    std::string detail = std::to_string(done) + "/" + std::to_string(total) + " frames  " +
                         minutes(elapsed) + " elapsed";
    if (done > 0) detail += ", about " + minutes(elapsed * (1.0 - fraction) / fraction) + " left";
    progress_draw(fraction, detail.c_str());
}

// Draws frames first to end - 1 as the demo's frame pump does, one timeline step each, and hands
// their pictures to the encoder. A frame whose clock equals that of a step which left the state as
// it found it would draw the same picture again: the encoder repeats the picture instead. Stops
// early when interrupted or when encoding has failed.
static void draw_frames(int64_t first, int64_t end) {
    frame_start();
    int64_t lead = first < LEAD_FRAMES ? first : LEAD_FRAMES;
    // Settling reaches the state that every frame further back leaves.
    if (first > lead) frame_settle(frame_clock(first - lead - 1));
    bool progress = progress_visible();
    auto start = std::chrono::steady_clock::now();
    double shown_at = -1.0;
    bool settled = false;
    uint32_t drawn_clock = 0;
    for (int64_t k = first - lead; k < end && !interrupted; ++k) {
        uint32_t clock = frame_clock(k);
        bool repeat = k > first && settled && clock == drawn_clock;
        if (!repeat) {
            int32_t state = timeline_state;
            frame_draw(clock);
            settled = timeline_state == state;
            drawn_clock = clock;
        }
        if (k < first) continue;
        uint8_t* slot = video_picture_slot();
        if (!slot) break;
        if (!repeat) frame_read_rows(slot);
        video_picture_send(repeat);
        double elapsed = seconds_since(start);
        if (progress && (elapsed - shown_at >= 0.25 || k + 1 == end)) {
            show_progress(k + 1 - first, end - first, elapsed);
            shown_at = elapsed;
        }
    }
    if (progress) progress_end();
}

// Where the time went: the frames per second of each side's own work (rendering: the drawing
// loop less its waits for a free slot; encoding: the worker's busy time), and so which of the two
// held the other back.
static void report(const char* path, int64_t frames, double drawing_s, double wall_s) {
    VideoPace pace = video_pace();
    double rendering_s = drawing_s - pace.render_wait_s;
    double render_fps = rendering_s > 0.0 ? frames / rendering_s : 0.0;
    double encode_fps = pace.encode_busy_s > 0.0 ? frames / pace.encode_busy_s : 0.0;
    std::printf(
        "%s: %lld frames at %d fps (%.1f s) in %.1f s: rendering %.0f fps, encoding %.0f fps; %s "
        "limits\n",
        path, static_cast<long long>(frames), fps, static_cast<double>(frames) / fps, wall_s,
        render_fps, encode_fps, render_fps < encode_fps ? "rendering" : "encoding");
}

// Draws and encodes the frames into the file; the exit code.
static int write_video(const char* path, int64_t first, int64_t end, int32_t crf) {
    OutputFile output = output_begin(path);
    int64_t sound = video_frame_sound(first, fps, mix_rate);
    int64_t sound_end = video_frame_sound(end, fps, mix_rate);
    VideoFormat format = {output.temp.c_str(),      FRAME_WIDTH,      FRAME_HEIGHT, fps, crf,
                          heard.data() + 2 * sound, sound_end - sound};
    if (!video_open(format)) {
        output_discard(output);
        std::fprintf(stderr, "quadrise-render video: cannot write %s: %s\n", path, video_error());
        return 1;
    }
    auto start = std::chrono::steady_clock::now();
    draw_frames(first, end);
    double drawing_s = seconds_since(start);
    bool finished = false;
    if (interrupted)
        video_abandon();
    else
        finished = video_finish();
    if (interrupted) {
        output_discard(output);
        std::fputs("quadrise-render video: interrupted; no file written\n", stderr);
        return 1;
    }
    if (!finished || !output_commit(output)) {
        output_discard(output);
        std::fprintf(stderr, "quadrise-render video: writing %s failed: %s\n", path,
                     finished ? output_error() : video_error());
        return 1;
    }
    report(path, end - first, drawing_s, seconds_since(start));
    return 0;
}

// The frames from the one whose clock reaches from_ms to the one before the clock reaches to_ms,
// as [*first, *end); the soundtrack is heard up to the end. False when the song cannot play.
static bool cut_show(uint32_t from_ms, uint32_t to_ms, int64_t* first, int64_t* end) {
    show_song = soundtrack_synthesize() ? soundtrack_load() : nullptr;
    if (!playback_prepare(show_song)) return false;
    VideoCut cut = video_cut(frame_clock, from_ms, to_ms);
    *first = cut.first;
    *end = cut.end;
    return true;
}

int render_video_command(int argc, char** argv) {
    RenderOptions options;
    int exit_code =
        render_options_parse(COMMAND, ACCEPT_OUTPUT | ACCEPT_VIDEO, HELP, argc, argv, &options);
    if (exit_code != RENDER_RUN) return exit_code;
    if (!options.output) return render_refuse(COMMAND, "missing -o OUT.mp4");
    int64_t from_ms = options.from_ms >= 0 ? options.from_ms : 0;
    int64_t to_ms = options.to_ms >= 0 ? options.to_ms : SHOW_END_MS;
    if (from_ms > SHOW_END_MS || to_ms > SHOW_END_MS) {
        std::string why = from_ms > SHOW_END_MS ? "--from " + std::to_string(from_ms)
                                                : "--to " + std::to_string(to_ms);
        return render_refuse(COMMAND, (why + " is past the end of the show at 157000 ms").c_str());
    }
    if (from_ms >= to_ms) return render_refuse(COMMAND, "--from must come before --to");
    fps = options.fps > 0 ? options.fps : DEFAULT_FPS;
    int64_t first = 0, end = 0;
    bool cut = cut_show(static_cast<uint32_t>(from_ms), static_cast<uint32_t>(to_ms), &first, &end);
    if (cut && end == first) {
        return render_refuse(
            COMMAND,
            "no frame starts between --from and --to: the music clock moves in steps of 19 ms");
    }
    int result = 1;
    if (!cut) {
        std::fputs("quadrise-render video: the soundtrack could not be played\n", stderr);
    } else if (!frame_open()) {
        std::fprintf(stderr, "quadrise-render video: cannot draw: %s\n", frame_error());
    } else {
        // Only the encoding is interrupted: until here the default action ends the command,
        // which has written nothing yet.
        std::signal(SIGINT, on_signal);
        std::signal(SIGTERM, on_signal);
        result =
            write_video(options.output, first, end, options.crf >= 0 ? options.crf : DEFAULT_CRF);
        frame_close();
    }
    platform_close();
    music_free(show_song);
    synth_slots_free();
    if (interrupted) {
        // Ended by the signal, as the shell expects of a program it interrupted.
        std::signal(interrupted, SIG_DFL);
        std::raise(interrupted);
    }
    return result;
}
