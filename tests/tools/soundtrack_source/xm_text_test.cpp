// The module text reader: cells as trackers show them become the module's bytes, and every
// mistake is refused at its line and column.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tools/soundtrack_source/xm_text.h"

namespace {

// A frame of two channels, one instrument and two patterns of two rows.
XmModule small_frame() {
    XmModule m = xm_basic_module(2);
    m.patterns = {xm_empty_pattern(m, 2), xm_empty_pattern(m, 2)};
    return m;
}

const char VALID[] =
    "# a comment line\n"
    "order 1 0 1\n"
    "pattern 1   # the second pattern first\n"
    "00 | C-0 01 v00 100 | B-7 .. d0F 2FF\n"
    "01 | === .. u01 8FF | C#4 01 p08 P1F\n"
    "pattern 0\n"
    "00 | ... .. l03 ... | ... .. r0F ...\n"
    "01 | ... .. v40 ... | ... .. ... ...\n";

TEST(XmText, CellsBecomeTheModulesBytes) {
    XmModule m = small_frame();
    ASSERT_TRUE(xm_text_read(VALID, &m)) << xm_text_error();
    EXPECT_EQ(m.orders, (std::vector<uint8_t>{1, 0, 1}));
    const struct { int pattern, cell; NoteCell expected; } cases[] = {
        {1, 0, {1, 1, 0x10, 1, 0x00}}, {1, 1, {96, 0, 0x6F, 2, 0xFF}}, {1, 2, {NOTE_KEY_OFF, 0, 0x71, 8, 0xFF}},
        {1, 3, {50, 1, 0xC8, 25, 0x1F}}, {0, 0, {0, 0, 0xD3, 0, 0}}, {0, 1, {0, 0, 0xEF, 0, 0}},
        {0, 2, {0, 0, 0x50, 0, 0}}, {0, 3, {0, 0, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        const NoteCell& got = m.patterns[size_t(c.pattern)].cells[size_t(c.cell)];
        EXPECT_EQ(std::memcmp(&got, &c.expected, sizeof got), 0) << "pattern " << c.pattern << " cell " << c.cell;
    }
}

TEST(XmText, MistakesAreRefusedWhereTheyStand) {
    const struct { const char* find; const char* replace; int line, column; const char* message; } cases[] = {
        {"C#4 01", "C#4 0G", 5, 27, "bad hex instrument '0G'"},
        {"C#4 01", "C#4 02", 5, 27, "no instrument 02"},
        {"v40", "v41", 8, 14, "volume above 40"},
        {"p08", "p10", 5, 31, "value above 0F"},
        {"d0F", "x0F", 4, 30, "unknown volume command"},
        {"2FF", "2GF", 4, 34, "bad hex in effect"},
        {"100", "F06", 4, 17, "unsupported effect 'F06'"},
        {"8FF |", "8FF | ... .. ... ... |", 5, 38, "too many channels: the module has 2"},
        {" | ... .. r0F ...", "", 7, 20, "only 1 of 2 channels"},
        {"2FF", "2FF ...", 4, 22, "found 5 fields"},
        {"01 | ===", "02 | ===", 5, 1, "row 02 where row 1 was due"},
        {"00 | ... .. l03 ... | ... .. r0F ...", "00", 7, 1, "a row starts with its number and '|'"},
        {"01 | ... .. v40", "01 | ... .. v40 ... | ... .. ... ...\n02 | ... .. v40", 9, 1, "pattern 0 has only 2 rows"},
        {"01 | ... .. v40 ... | ... .. ... ...\n", "", 6, 1, "pattern 0 has 1 rows; the frame gives it 2"},
        {"order 1 0 1", "order 1 0 2", 2, 11, "no pattern '2'"},
        {"order 1 0 1\n", "", 8, 1, "no 'order' line"},
        {"pattern 0", "pattern 1", 6, 9, "pattern 1 is written twice"},
        {"# a comment line", "tempo 6", 1, 1, "unknown line 'tempo'"},
        {"pattern 0\n00 | ... .. l03 ... | ... .. r0F ...\n01 | ... .. v40 ... | ... .. ... ...\n", "", 6, 1,
         "pattern 0 is missing"},
    };
    for (const auto& c : cases) {
        std::string text = VALID;
        size_t at = text.find(c.find);
        ASSERT_NE(at, std::string::npos) << c.find;
        text.replace(at, std::strlen(c.find), c.replace);
        XmModule m = small_frame();
        EXPECT_FALSE(xm_text_read(text, &m)) << c.message;
        const std::string where = std::to_string(c.line) + ":" + std::to_string(c.column) + ": error: ";
        const std::string error = xm_text_error();
        EXPECT_TRUE(error.starts_with(where) && error.find(c.message) != std::string::npos) << error;
    }
}

}  // namespace
