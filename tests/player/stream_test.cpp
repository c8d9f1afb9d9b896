// The stream callbacks: registration and the player's wrappers over the resource stream, with
// its end-of-stream and seek rules (the file stream seeks by the same rules).
#include <gtest/gtest.h>

#include <array>

#include "resources/resources.h"
#include "player/stream.h"

namespace {

const unsigned char kBytes[20] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19};
const EmbeddedResource kTable[] = {{"MUSIC", "TWENTY", kBytes, 20}};

TEST(StreamCallbacks, ReadsStopAtTheEndSeeksClampAndNullsAreRefused) {
    resources_use(kTable, 1);
    music_set_file_callbacks(resource_open, resource_close, resource_read, nullptr, resource_tell);
    EXPECT_EQ(stream_open("TWENTY", 0, 0), nullptr);  // any null callback clears all five
    music_set_file_callbacks(resource_open, resource_close, resource_read, resource_seek, resource_tell);
    StreamHandle* h = stream_open("TWENTY", 7, -42);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ((std::array<int, 2>{h->mode, h->value}), (std::array{7, -42}));
    const struct { int32_t from, offset, origin, to; } seeks[] = {
        {5, 0, 2, 20}, {5, 100, 1, 20}, {5, -3, 2, 17}, {5, -30, 1, 0}, {5, -1, 0, 0},
        {8, 3, 7, 8},        // an unknown origin leaves the position
        {8, -2, 0x102, 18},  // only the low 8 bits name the origin
    };
    for (const auto& s : seeks) {
        stream_seek(h, s.from, 0);
        stream_seek(h, s.offset, s.origin);
        EXPECT_EQ(stream_tell(h), s.to) << s.from << " " << s.offset << " " << s.origin;
    }
    unsigned char out[10] = {};
    stream_seek(h, 16, 0);
    EXPECT_EQ(stream_read(out, 10, h), 4);
    EXPECT_EQ((std::array<int, 3>{out[0], out[3], stream_tell(h)}), (std::array{16, 19, 20}));
    EXPECT_EQ((std::array{stream_read(out, 10, h), stream_read(out, -5, h)}), (std::array{0, 0}));
    stream_close(h);
    // A null handle reads nothing and is ignored; a missing file opens no stream.
    EXPECT_EQ((std::array{stream_read(out, 4, nullptr), stream_tell(nullptr)}), (std::array{0, 0}));
    stream_seek(nullptr, 5, 0);
    stream_close(nullptr);
    music_set_file_callbacks(file_open, file_close, file_read, file_seek, file_tell);
    EXPECT_EQ(stream_open("/nonexistent/dir/none.xm", 0, 0), nullptr);
    EXPECT_EQ(file_open(nullptr), nullptr);
}

}  // namespace
