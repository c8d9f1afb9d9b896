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
    const struct { const char *type, *name; std::string bytes; } cases[] = {
        {"TEST", "GREETING", "Hello, resources!\n"}, {"OTHER", "GREETING", std::string("\x00\x01\x02\xff", 4)},
        {"TEST", "EMPTY", ""},         {"TEST", "MISSING", "(none)"},  {"TEST", "GREETING.txt", "(none)"},
        {"TEST", nullptr, "(none)"},   {"MUSIC", "GREETING", "(none)"}, {nullptr, "GREETING", "(none)"},
    };
    for (const auto& c : cases) EXPECT_EQ(found(c.type, c.name), c.bytes) << "case " << &c - cases;
    EXPECT_NE(resource_find("TEST", "GREETING", nullptr), nullptr);  // the size is optional
    resources_use(nullptr, 0);
    EXPECT_EQ(found("TEST", "GREETING"), "(none)");
}
