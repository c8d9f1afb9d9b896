// The module text reader: one line at a time, each field checked where it stands so that an
// error names its line and column.
#include "tools/soundtrack_source/xm_text.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// The first error of the last failed read, for xm_text_error().
static std::string error_line;

namespace {

constexpr uint8_t VOLUME_SET = 0x10;  // volume-column bytes by command
constexpr uint8_t VOLUME_DOWN = 0x60;
constexpr uint8_t VOLUME_UP = 0x70;
constexpr uint8_t PANNING_SET = 0xC0;
constexpr uint8_t PANNING_LOWER = 0xD0;
constexpr uint8_t PANNING_RAISE = 0xE0;
constexpr size_t MAX_ORDERS = 256;

// One whitespace-separated word of a line and where it starts.
struct Word {
    std::string text;
    int column;
};

struct Reader {
    XmModule* module;
    int line;
    std::vector<bool> written;  // patterns already read
    bool have_order;
    int pattern;    // the pattern being read, -1 before the first
    int rows_read;  // rows of that pattern so far
    int pattern_line;
};

bool fail(Reader& r, int column, const std::string& message) {
    error_line = std::to_string(r.line) + ":" + std::to_string(column) + ": error: " + message;
    return false;
}

std::vector<Word> split_words(const std::string& text, size_t from, size_t to) {
    std::vector<Word> words;
    size_t k = from;
    while (k < to) {
        while (k < to && (text[k] == ' ' || text[k] == '\t')) ++k;
        size_t start = k;
        while (k < to && text[k] != ' ' && text[k] != '\t') ++k;
        if (k > start) words.push_back({text.substr(start, k - start), int(start) + 1});
    }
    return words;
}

int hex_digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Two hex digits at text[at]; -1 when they are not.
int hex_byte(const std::string& text, size_t at) {
    if (text.size() < at + 2) return -1;
    int high = hex_digit(text[at]);
    int low = hex_digit(text[at + 1]);
    return high < 0 || low < 0 ? -1 : high * 16 + low;
}

// A decimal number of at most three digits; -1 when the word is not one.
int decimal(const std::string& text) {
    if (text.empty() || text.size() > 3) return -1;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

bool read_note(Reader& r, const Word& w, uint8_t* note) {
    static const char NAMES[] = "C-C#D-D#E-F-F#G-G#A-A#B-";
    if (w.text == "...") return true;
    if (w.text == "===") {
        *note = NOTE_KEY_OFF;
        return true;
    }
    if (w.text.size() == 3 && w.text[2] >= '0' && w.text[2] <= '7') {
        for (int semitone = 0; semitone < 12; ++semitone) {
            if (w.text[0] != NAMES[2 * semitone] || w.text[1] != NAMES[2 * semitone + 1]) continue;
            *note = uint8_t(1 + 12 * (w.text[2] - '0') + semitone);
            return true;
        }
    }
    return fail(r, w.column, "unknown note '" + w.text + "' (C-0 .. B-7, === key-off, ... none)");
}

bool read_instrument(Reader& r, const Word& w, uint8_t* instrument) {
    if (w.text == "..") return true;
    int value = w.text.size() == 2 ? hex_byte(w.text, 0) : -1;
    if (value < 0)
        return fail(r, w.column, "bad hex instrument '" + w.text + "' (two hex digits or ..)");
    if (value < 1 || size_t(value) > r.module->instruments.size())
        return fail(r, w.column,
                    "no instrument " + w.text + " (01 .. " +
                        std::to_string(r.module->instruments.size()) + ")");
    *instrument = uint8_t(value);
    return true;
}

bool read_volume(Reader& r, const Word& w, uint8_t* volume) {
    if (w.text == "...") return true;
    int value = w.text.size() == 3 ? hex_byte(w.text, 1) : -1;
    if (value < 0)
        return fail(r, w.column,
                    "bad hex in volume '" + w.text + "' (a letter and two hex digits)");
    uint8_t base = 0;
    switch (w.text[0]) {
    case 'v':
        if (value > 0x40) return fail(r, w.column + 1, "volume above 40 in '" + w.text + "'");
        *volume = uint8_t(VOLUME_SET + value);
        return true;
    case 'd': base = VOLUME_DOWN; break;
    case 'u': base = VOLUME_UP; break;
    case 'p': base = PANNING_SET; break;
    case 'l': base = PANNING_LOWER; break;
    case 'r': base = PANNING_RAISE; break;
    default: return fail(r, w.column, "unknown volume command '" + w.text + "' (v, d, u, p, l, r)");
    }
    if (value > 0x0F) return fail(r, w.column + 1, "value above 0F in '" + w.text + "'");
    *volume = uint8_t(base | value);
    return true;
}

bool read_effect(Reader& r, const Word& w, uint8_t* effect, uint8_t* param) {
    if (w.text == "...") return true;
    int value = w.text.size() == 3 ? hex_byte(w.text, 1) : -1;
    if (value < 0)
        return fail(r, w.column,
                    "bad hex in effect '" + w.text + "' (an effect and two hex digits)");
    switch (w.text[0]) {
    case '1': *effect = 1; break;
    case '2': *effect = 2; break;
    case '8': *effect = 8; break;
    case 'P': *effect = 25; break;
    default: return fail(r, w.column, "unsupported effect '" + w.text + "' (1xx, 2xx, 8xx, Pxy)");
    }
    *param = uint8_t(value);
    return true;
}

bool read_cell(Reader& r, const std::string& text, size_t from, size_t to, NoteCell* cell) {
    std::vector<Word> fields = split_words(text, from, to);
    if (fields.size() != 4)
        return fail(r, int(from) + 1,
                    "a cell needs note, instrument, volume and effect, found " +
                        std::to_string(fields.size()) + " fields");
    *cell = NoteCell{};
    return read_note(r, fields[0], &cell->note) &&
           read_instrument(r, fields[1], &cell->instrument) &&
           read_volume(r, fields[2], &cell->volume) &&
           read_effect(r, fields[3], &cell->effect, &cell->param);
}

bool read_row(Reader& r, const std::string& text) {
    if (r.pattern < 0) return fail(r, 1, "a row before the first 'pattern' line");
    XmPattern& pattern = r.module->patterns[size_t(r.pattern)];
    size_t bar = text.find('|');
    std::vector<Word> number = split_words(text, 0, bar == std::string::npos ? text.size() : bar);
    if (bar == std::string::npos || number.size() != 1 || decimal(number[0].text) < 0)
        return fail(r, 1, "a row starts with its number and '|'");
    if (decimal(number[0].text) != r.rows_read)
        return fail(
            r, number[0].column,
            "row " + number[0].text + " where row " + std::to_string(r.rows_read) + " was due");
    if (r.rows_read >= pattern.rows)
        return fail(r, number[0].column,
                    "pattern " + std::to_string(r.pattern) + " has only " +
                        std::to_string(pattern.rows) + " rows");
    size_t channels = r.module->channel_count;
    for (size_t channel = 0; bar != std::string::npos; ++channel) {
        size_t next = text.find('|', bar + 1);
        size_t end = next == std::string::npos ? text.size() : next;
        if (channel >= channels)
            return fail(r, int(bar) + 1,
                        "too many channels: the module has " + std::to_string(channels));
        if (!read_cell(r, text, bar + 1, end,
                       &pattern.cells[size_t(r.rows_read) * channels + channel]))
            return false;
        if (next == std::string::npos && channel + 1 < channels)
            return fail(r, int(text.size()) + 1,
                        "only " + std::to_string(channel + 1) + " of " + std::to_string(channels) +
                            " channels");
        bar = next;
    }
    ++r.rows_read;
    return true;
}

// Checks that the pattern being read got all its rows.
bool finish_pattern(Reader& r) {
    if (r.pattern < 0) return true;
    int rows = r.module->patterns[size_t(r.pattern)].rows;
    if (r.rows_read == rows) return true;
    r.line = r.pattern_line;
    return fail(r, 1,
                "pattern " + std::to_string(r.pattern) + " has " + std::to_string(r.rows_read) +
                    " rows; the frame gives it " + std::to_string(rows));
}

bool read_order(Reader& r, const std::vector<Word>& words) {
    if (r.have_order) return fail(r, words[0].column, "a second 'order' line");
    if (words.size() < 2)
        return fail(r, words[0].column, "'order' needs at least one pattern number");
    if (words.size() - 1 > MAX_ORDERS)
        return fail(r, words[MAX_ORDERS + 1].column, "more than 256 orders");
    r.module->orders.clear();
    for (size_t k = 1; k < words.size(); ++k) {
        int value = decimal(words[k].text);
        if (value < 0 || size_t(value) >= r.module->patterns.size())
            return fail(r, words[k].column,
                        "no pattern '" + words[k].text + "' (0 .. " +
                            std::to_string(r.module->patterns.size() - 1) + ")");
        r.module->orders.push_back(uint8_t(value));
    }
    r.have_order = true;
    return true;
}

bool start_pattern(Reader& r, const std::vector<Word>& words) {
    if (!finish_pattern(r)) return false;
    int number = words.size() == 2 ? decimal(words[1].text) : -1;
    if (number < 0 || size_t(number) >= r.module->patterns.size())
        return fail(r, words.size() > 1 ? words[1].column : words[0].column,
                    "'pattern' needs a pattern number, 0 .. " +
                        std::to_string(r.module->patterns.size() - 1));
    if (r.written[size_t(number)])
        return fail(r, words[1].column, "pattern " + words[1].text + " is written twice");
    r.written[size_t(number)] = true;
    XmPattern& pattern = r.module->patterns[size_t(number)];
    pattern.cells.assign(size_t(pattern.rows) * r.module->channel_count, NoteCell{});
    r.pattern = number;
    r.rows_read = 0;
    r.pattern_line = r.line;
    return true;
}

bool read_line(Reader& r, std::string text) {
    // A comment starts with a '#' that begins a word; the '#' of a sharp (C#4) is inside one.
    for (size_t k = 0; k < text.size(); ++k) {
        if (text[k] == '#' && (k == 0 || text[k - 1] == ' ' || text[k - 1] == '\t')) {
            text.resize(k);
            break;
        }
    }
    std::vector<Word> words = split_words(text, 0, text.size());
    if (words.empty()) return true;
    if (words[0].text == "order") return read_order(r, words);
    if (words[0].text == "pattern") return start_pattern(r, words);
    if (decimal(words[0].text) >= 0 || words[0].text.find('|') != std::string::npos)
        return read_row(r, text);
    return fail(r, words[0].column,
                "unknown line '" + words[0].text + "' (order, pattern or a row)");
}

}  // namespace

const char* xm_text_error() { return error_line.c_str(); }

bool xm_text_read(const std::string& text, XmModule* module) {
    Reader r{module, 0, std::vector<bool>(module->patterns.size(), false), false, -1, 0, 0};
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        ++r.line;
        if (!read_line(r, line)) return false;
        start = end + 1;
    }
    if (!finish_pattern(r)) return false;
    if (!r.have_order) return fail(r, 1, "no 'order' line");
    for (size_t p = 0; p < r.written.size(); ++p)
        if (!r.written[p]) return fail(r, 1, "pattern " + std::to_string(p) + " is missing");
    return true;
}
