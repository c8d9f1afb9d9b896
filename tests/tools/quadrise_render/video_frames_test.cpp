// Where the video's frames fall: each frame's sound starts at its moment, and a clip holds the
// frames whose music clock lies in the range asked for.
#include <gtest/gtest.h>

#include <vector>

#include "tools/quadrise_render/video_frames.h"

namespace {

// At every rate, those that divide 44100 and those that do not, frame k's sound starts with the
// first sound frame s at or after k/fps: s/44100 >= k/fps > (s - 1)/44100. Frames up to the end
// of a long video are included, where k * 44100 no longer fits 32 bits.
TEST(VideoFrames, EachFrameSoundStartsAtTheFirstSampleAtOrAfterItsMoment) {
    for (int32_t fps : {1, 7, 24, 25, 30, 48, 50, 60, 144, 240}) {
        std::vector<int64_t> frames;
        for (int64_t k = 0; k < 3 * fps; ++k) frames.push_back(k);
        for (int64_t k = 3600 * fps; k < 3603 * fps; ++k) frames.push_back(k);
        for (int64_t k : frames) {
            const int64_t s = video_frame_sound(k, fps, 44100);
            ASSERT_TRUE(s * fps >= k * 44100 && (s - 1) * fps < k * 44100) << fps << " fps, frame " << k << ": " << s;
        }
    }
}

// The music clock steps in blocks, so neighbouring frames may share a clock.
constexpr uint32_t clocks[] = {0, 0, 19, 39, 39, 58, 78, 78, 97, 117};
uint32_t frame_clock(int64_t k) { return k < 10 ? clocks[k] : clocks[9] + 19 * uint32_t(k - 9); }

TEST(VideoFrames, AClipRunsFromTheFrameReachingFromToTheOneBeforeTheFrameReachingTo) {
    const struct { uint32_t from, to; int64_t first, end; const char* what; } cases[] = {
        {0, 58, 0, 5, "a --to on a clock value leaves out the frame that reaches it"},
        {19, 78, 2, 6, "a --from on a clock value starts with the frame that reaches it"},
        {20, 77, 3, 6, "between clock values"},
        {0, 1, 0, 2, "every frame of the first clock value"},
        {40, 57, 5, 5, "no frame starts in the range"},
        {100, 140, 9, 11, "past the listed clocks"},
    };
    for (const auto& c : cases) {
        const VideoCut cut = video_cut(frame_clock, c.from, c.to);
        EXPECT_EQ((std::vector<int64_t>{cut.first, cut.end}), (std::vector<int64_t>{c.first, c.end})) << c.what;
    }
}

}  // namespace
