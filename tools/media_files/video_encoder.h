// The MP4 file of quadrise-render video, through FFmpeg's libraries: the pictures as H.264
// (yuv420p, x264 at a constant quality) and the soundtrack as AAC (44100 Hz stereo), encoded on a
// worker thread beside the thread that renders. Pictures pass through a few slots, so rendering
// one picture and encoding the one before run at the same time.
#pragma once

#include <cstdint>

struct VideoFormat {
    const char* path;  // the file to write
    int32_t width;     // the pictures: width x height RGB pixels, bottom row first (as GL reads)
    int32_t height;
    int32_t fps;         // pictures per second
    int32_t crf;         // x264's constant rate factor: 0 lossless, 18 visually lossless, 51 worst
    const int16_t* pcm;  // the soundtrack from the first picture's moment on: interleaved 16-bit
    int64_t pcm_frames;  // stereo frames at 44100 Hz, which must outlive video_finish
};

// Creates the file, opens the encoders and starts the worker. False when the file cannot be
// written (nothing is left open then, but the file may exist); video_error() then says why.
bool video_open(const VideoFormat& format);
// Where the next picture goes (width x height x 3 bytes); waits while every slot is taken. Null
// once encoding has failed: video_finish says why.
uint8_t* video_picture_slot();
// Hands the slot over as the next picture. With repeat the picture is the previous one again
// and the slot's bytes are not read (the first picture must not repeat).
void video_picture_send(bool repeat);
// Encodes what is queued and the rest of the soundtrack, finishes both streams, writes the
// file's index and closes it. False when anything failed; video_error() then says why.
bool video_finish();
// Why the last video_open or video_finish failed, as one line. Read it after video_finish, which
// has stopped the worker that writes it.
const char* video_error();
// Stops the worker and closes the file as it stands, half-written: the caller removes it.
void video_abandon();

// Where the time went: how long the rendering thread waited for a free slot, and how long the
// worker spent encoding (not waiting for pictures).
struct VideoPace {
    double render_wait_s;
    double encode_busy_s;
};
VideoPace video_pace();
