// Where the frames of quadrise-render video fall: frame k shows at k/fps seconds, with the sound
// from that moment on and the music clock the demo reads then. Plain arithmetic, apart from the
// drawing and the encoding.
#pragma once

#include <cstdint>

// The first sound frame (of `rate` a second) at or after frame k's moment k/fps: a moment that
// falls between two sound frames belongs to the later one, whose block the play cursor is in.
inline int64_t video_frame_sound(int64_t frame, int32_t fps, int32_t rate) {
    return (frame * rate + fps - 1) / fps;
}

// A clip's frames [first, end): first is the first frame whose music clock reaches from_ms, end
// the first one after it whose clock reaches to_ms. A clock that steps onto to_ms exactly ends
// the clip there. first == end when no frame's clock starts in the range.
struct VideoCut {
    int64_t first;
    int64_t end;
};

inline VideoCut video_cut(uint32_t (*frame_clock)(int64_t frame), uint32_t from_ms,
                          uint32_t to_ms) {
    VideoCut cut = {0, 0};
    while (frame_clock(cut.first) < from_ms) ++cut.first;
    for (cut.end = cut.first; frame_clock(cut.end) < to_ms;) ++cut.end;
    return cut;
}
