#include <gtest/gtest.h>

#include <string>

#include "resources/resources.h"

QUADRISE_RESOURCE_TABLE(resources_test_data);

// The bytes found for (type, name), or "(none)" when the lookup finds nothing (and gives size 0).
static std::string found(const char* type, const char* name) {
    uint32_t size = 99;
    const unsigned char* data = resource_find(type, name, &size);
    if (data == nullptr) return size == 0 ? "(none)" : "(none, but a size)";
    return std::string(reinterpret_cast<const char*>(data), size);
}

TEST(Resources, FoundByTypeAndFileNameWithoutExtensionOnlyInTheTableInUse) {
    resources_use(resources_test_data_table, resources_test_data_count);
    EXPECT_EQ(found("TEST", "GREETING"), "Hello, resources!\n");
    EXPECT_EQ(found("OTHER", "GREETING"), std::string("\x00\x01\x02\xff", 4));
    EXPECT_EQ(found("TEST", "EMPTY"), "");
    for (const char* name : {"MISSING", "GREETING.txt", static_cast<const char*>(nullptr)}) {
        EXPECT_EQ(found("TEST", name), "(none)");
    }
    EXPECT_EQ(found("MUSIC", "GREETING"), "(none)");
    EXPECT_EQ(found(nullptr, "GREETING"), "(none)");
    EXPECT_NE(resource_find("TEST", "GREETING", nullptr), nullptr);  // the size is optional
    resources_use(nullptr, 0);
    EXPECT_EQ(found("TEST", "GREETING"), "(none)");
}
