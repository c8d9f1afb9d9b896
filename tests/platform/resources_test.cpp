#include <gtest/gtest.h>

#include <cstring>

#include "platform/platform.h"

QUADRISE_RESOURCE_TABLE(platform_test_resources);

class Resources : public ::testing::Test {
protected:
    void SetUp() override { resources_use(platform_test_resources_table, platform_test_resources_count); }
    void TearDown() override { resources_use(nullptr, 0); }
};

TEST_F(Resources, FindsFileBytesByTypeAndNameWithoutExtension) {
    uint32_t size = 0;
    const unsigned char* data = resource_find("TEST", "GREETING", &size);
    ASSERT_NE(data, nullptr);
    ASSERT_EQ(size, 18u);
    EXPECT_EQ(std::memcmp(data, "Hello, resources!\n", 18), 0);
}

TEST_F(Resources, SameNameUnderAnotherTypeIsADifferentResource) {
    uint32_t size = 0;
    const unsigned char* data = resource_find("OTHER", "GREETING", &size);
    ASSERT_NE(data, nullptr);
    ASSERT_EQ(size, 4u);
    const unsigned char expected[] = {0x00, 0x01, 0x02, 0xff};
    EXPECT_EQ(std::memcmp(data, expected, 4), 0);
}

TEST_F(Resources, EmptyFileIsFoundWithSizeZero) {
    uint32_t size = 99;
    EXPECT_NE(resource_find("TEST", "EMPTY", &size), nullptr);
    EXPECT_EQ(size, 0u);
}

TEST_F(Resources, MissingResourceGivesNullAndSizeZero) {
    uint32_t size = 99;
    EXPECT_EQ(resource_find("TEST", "MISSING", &size), nullptr);
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(resource_find("MUSIC", "GREETING", &size), nullptr);
    EXPECT_EQ(resource_find("TEST", "GREETING.txt", &size), nullptr);
    EXPECT_EQ(resource_find(nullptr, "GREETING", &size), nullptr);
    EXPECT_EQ(resource_find("TEST", nullptr, &size), nullptr);
}

TEST_F(Resources, NothingIsFoundBeforeATableIsInUse) {
    resources_use(nullptr, 0);
    uint32_t size = 99;
    EXPECT_EQ(resource_find("TEST", "GREETING", &size), nullptr);
    EXPECT_EQ(size, 0u);
}

TEST_F(Resources, SizeArgumentIsOptional) {
    EXPECT_NE(resource_find("TEST", "GREETING", nullptr), nullptr);
}
