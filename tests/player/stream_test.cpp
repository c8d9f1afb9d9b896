// The stream callbacks: registration, the player's wrappers, and the resource-backed and
// file-backed streams with their end-of-stream and seek rules.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "platform/platform.h"
#include "player/player.h"

namespace {

const unsigned char kBytes[20] = {0,  1,  2,  3,  4,  5,  6,  7,  8,  9,
                                  10, 11, 12, 13, 14, 15, 16, 17, 18, 19};
const EmbeddedResource kTable[] = {
    {"MUSIC", "TWENTY", kBytes, 20},
    {"OTHER", "WRONGTYPE", kBytes, 20},
};

void register_resources() {
    resources_use(kTable, 2);
    music_set_file_callbacks(resource_open, resource_close, resource_read, resource_seek,
                             resource_tell);
}

std::string write_temp_file(const unsigned char* bytes, size_t size) {
    std::string path = testing::TempDir() + "stream_test_twenty.bin";
    std::FILE* f = std::fopen(path.c_str(), "wb");
    EXPECT_NE(f, nullptr);
    if (f) {
        std::fwrite(bytes, 1, size, f);
        std::fclose(f);
    }
    return path;
}

}  // namespace

TEST(StreamCallbacks, RegisteringWithAnyNullClearsAllFive) {
    register_resources();
    EXPECT_TRUE(music_file_callbacks_set());
    music_set_file_callbacks(resource_open, resource_close, resource_read, nullptr, resource_tell);
    EXPECT_FALSE(music_file_callbacks_set());
    EXPECT_EQ(stream_open("TWENTY", 0, 0), nullptr);
    // A full set registers again.
    register_resources();
    StreamHandle* h = stream_open("TWENTY", 0, 0);
    ASSERT_NE(h, nullptr);
    stream_close(h);
}

TEST(StreamCallbacks, WrappersPassThroughAndStoreModeAndValue) {
    register_resources();
    StreamHandle* h = stream_open("TWENTY", 7, -42);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(h->mode, 7);
    EXPECT_EQ(h->value, -42);
    unsigned char out[4] = {};
    stream_seek(h, 3, 0);
    EXPECT_EQ(stream_read(out, 4, h), 4);
    EXPECT_EQ(out[0], 3);
    EXPECT_EQ(out[3], 6);
    EXPECT_EQ(stream_tell(h), 7);
    stream_close(h);
}

TEST(StreamCallbacks, NullHandleReadsNothingAndIgnoresSeekAndClose) {
    register_resources();
    unsigned char out[4] = {9, 9, 9, 9};
    EXPECT_EQ(stream_read(out, 4, nullptr), 0);
    EXPECT_EQ(out[0], 9);
    EXPECT_EQ(stream_tell(nullptr), 0);
    stream_seek(nullptr, 5, 0);
    stream_close(nullptr);
}

TEST(StreamCallbacks, OpenFailureGivesNullHandle) {
    music_set_file_callbacks(file_open, file_close, file_read, file_seek, file_tell);
    EXPECT_EQ(stream_open("/nonexistent/dir/none.xm", 0, 0), nullptr);
}

TEST(ResourceStream, ReadNearTheEndIsCutAndThenReturnsZero) {
    register_resources();
    void* s = resource_open("TWENTY");
    ASSERT_NE(s, nullptr);
    unsigned char out[10] = {};
    resource_seek(s, 16, 0);
    EXPECT_EQ(resource_read(out, 10, s), 4);
    EXPECT_EQ(out[0], 16);
    EXPECT_EQ(out[3], 19);
    EXPECT_EQ(resource_tell(s), 20);
    EXPECT_EQ(resource_read(out, 10, s), 0);
    EXPECT_EQ(resource_read(out, -5, s), 0);
    resource_close(s);
}

TEST(ResourceStream, SeeksFromEachOriginAndClampsToTheStream) {
    register_resources();
    void* s = resource_open("TWENTY");
    ASSERT_NE(s, nullptr);
    resource_seek(s, 0, 2);
    EXPECT_EQ(resource_tell(s), 20);
    resource_seek(s, 5, 0);
    resource_seek(s, 100, 1);
    EXPECT_EQ(resource_tell(s), 20);
    resource_seek(s, -3, 2);
    EXPECT_EQ(resource_tell(s), 17);
    resource_seek(s, -30, 1);
    EXPECT_EQ(resource_tell(s), 0);
    resource_seek(s, -1, 0);
    EXPECT_EQ(resource_tell(s), 0);
    resource_seek(s, 8, 0);
    resource_seek(s, 3, 7);  // unknown origin: position unchanged
    EXPECT_EQ(resource_tell(s), 8);
    resource_seek(s, -2, 0x102);  // only the low 8 bits name the origin
    EXPECT_EQ(resource_tell(s), 18);
    resource_close(s);
}

TEST(ResourceStream, MissingOrWrongTypeResourceIsAnEmptyStream) {
    register_resources();
    for (const char* name : {"NOPE", "WRONGTYPE"}) {
        ResourceStream* s = static_cast<ResourceStream*>(resource_open(name));
        ASSERT_NE(s, nullptr);
        EXPECT_EQ(s->size, 0);
        EXPECT_EQ(s->base, nullptr);
        unsigned char out[4];
        EXPECT_EQ(resource_read(out, 4, s), 0);
        resource_close(s);
    }
}

TEST(FileStream, ReadsSeeksAndClampsLikeTheResourceStream) {
    std::string path = write_temp_file(kBytes, sizeof kBytes);
    void* s = file_open(path.c_str());
    ASSERT_NE(s, nullptr);
    unsigned char out[10] = {};
    file_seek(s, -4, 2);
    EXPECT_EQ(file_tell(s), 16);
    EXPECT_EQ(file_read(out, 10, s), 4);
    EXPECT_EQ(out[0], 16);
    EXPECT_EQ(file_read(out, 10, s), 0);
    file_seek(s, 50, 0);
    EXPECT_EQ(file_tell(s), 20);
    file_seek(s, -50, 1);
    EXPECT_EQ(file_tell(s), 0);
    EXPECT_EQ(file_read(out, 3, s), 3);
    EXPECT_EQ(out[2], 2);
    EXPECT_EQ(file_tell(s), 3);
    file_close(s);
    std::remove(path.c_str());
}

TEST(FileStream, MissingFileDoesNotOpen) {
    EXPECT_EQ(file_open("/nonexistent/dir/none.xm"), nullptr);
    EXPECT_EQ(file_open(nullptr), nullptr);
}
