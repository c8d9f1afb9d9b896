// The XM loader: reads a module through the stream callbacks into a Song. Every read is checked
// and every count is bounded before anything is allocated, so any file either loads or fails
// with one line saying why (music_load_error).
#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "player/engine.h"
#include "player/stream.h"
#include "player/xm_format.h"

namespace {

constexpr int32_t MAX_ORDERS = XM_ORDER_TABLE_LENGTH;
constexpr int32_t MAX_PATTERNS = 256;
constexpr int32_t MAX_ROWS = 256;
constexpr int32_t MAX_INSTRUMENTS = 128;
constexpr int32_t MAX_SAMPLES = 16;
constexpr int32_t MISSING_PATTERN_ROWS = 64;
constexpr int32_t GUARD_BYTES = 16;  // 8 zeroed frames after the sample
constexpr uint8_t MAX_INSTRUMENT_NUMBER = 128;
constexpr uint8_t MAX_EFFECT = 35;
constexpr uint8_t MAX_SAMPLE_VOLUME = 64;
constexpr uint16_t DEFAULT_TEMPO = 6;
constexpr uint16_t DEFAULT_BPM = 125;
constexpr uint16_t MAX_SPEED = 255;  // for both speed and BPM

// One envelope's counts and flags as the file gives them.
struct EnvelopeBytes {
    uint8_t count, sustain, loop_start, loop_end, type;
};

}  // namespace

static char load_error[160];
static StreamHandle* input;  // the stream load_xm is reading
static int32_t input_size;   // its length in bytes
static uint8_t packed_cells[65536];
static uint32_t sample_bytes[MAX_SAMPLES];  // file data bytes of the current instrument's samples

const char* music_load_error() { return load_error; }

__attribute__((format(printf, 1, 2))) static bool fail(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::vsnprintf(load_error, sizeof load_error, format, args);
    va_end(args);
    return false;
}

// ---- Reading ----------------------------------------------------------------------------------

static bool read_bytes(void* destination, int32_t count) {
    int32_t start = stream_tell(input);
    int32_t got = stream_read(destination, count, input);
    if (got == count) return true;
    return fail("truncated at byte %d", start + (got > 0 && got < count ? got : 0));
}

static uint16_t le16(const uint8_t* b) { return uint16_t(b[0] | b[1] << 8); }

static uint32_t le32(const uint8_t* b) { return uint32_t(le16(b)) | uint32_t(le16(b + 2)) << 16; }

static bool read_u16(uint16_t* value) {
    uint8_t b[2];
    if (!read_bytes(b, 2)) return false;
    *value = le16(b);
    return true;
}

static bool read_u32(uint32_t* value) {
    uint8_t b[4];
    if (!read_bytes(b, 4)) return false;
    *value = le32(b);
    return true;
}

static bool seek_to(int64_t position) {
    if (position < 0 || position > input_size) return fail("truncated at byte %d", input_size);
    stream_seek(input, int32_t(position), 0);
    return true;
}

static bool skip(int64_t count) { return seek_to(int64_t(stream_tell(input)) + count); }

// ---- Module header ----------------------------------------------------------------------------

static bool check_counts(int32_t channels, int32_t length, int32_t patterns, int32_t instruments) {
    if (channels == 0) return fail("no channels");
    if (channels > MAX_CHANNELS)
        return fail("too many channels (%d, at most %d)", channels, MAX_CHANNELS);
    if (length == 0) return fail("empty order list");
    if (length > MAX_ORDERS)
        return fail("order list too long (%d, at most %d)", length, MAX_ORDERS);
    if (patterns > MAX_PATTERNS)
        return fail("too many patterns (%d, at most %d)", patterns, MAX_PATTERNS);
    if (instruments > MAX_INSTRUMENTS)
        return fail("too many instruments (%d, at most %d)", instruments, MAX_INSTRUMENTS);
    return true;
}

// A zero speed or BPM means the XM default; values above what the effect column can set are
// capped at 255.
static int16_t header_speed(uint16_t value, uint16_t zero_default) {
    return int16_t(value == 0 ? zero_default : std::min(value, MAX_SPEED));
}

// Reads the header from offset 60 and leaves the stream at the first pattern; the file's pattern
// count goes to file_patterns and the instrument count to instruments.
static bool read_header(Song* song, int32_t* file_patterns, int32_t* instruments) {
    uint8_t h[XM_HEADER_FIELDS];
    if (!seek_to(XM_HEADER_SIZE_OFFSET) || !read_bytes(h, XM_HEADER_FIELDS)) return false;
    uint32_t header_size = le32(h);
    if (header_size < XM_HEADER_FIELDS) return fail("header size %u too small", header_size);
    // The header size bounds the order table: entries it leaves out stay 0, as trackers read them.
    uint32_t orders = std::min<uint32_t>(header_size - XM_HEADER_FIELDS, MAX_ORDERS);
    if (!read_bytes(song->order_table, int32_t(orders))) return false;
    uint16_t restart = le16(h + 6), tempo = le16(h + 16), bpm = le16(h + 18);
    if (!check_counts(le16(h + 8), le16(h + 4), le16(h + 10), le16(h + 12))) return false;
    song->song_length = int16_t(le16(h + 4));
    // A restart position beyond the order list restarts at the first order, as trackers do.
    song->restart_position = int16_t(restart < le16(h + 4) ? restart : 0);
    song->channel_count = int16_t(le16(h + 8));
    song->song_flags = le16(h + 14);
    song->default_tempo = header_speed(tempo, DEFAULT_TEMPO);
    song->default_bpm = header_speed(bpm, DEFAULT_BPM);
    *file_patterns = le16(h + 10);
    *instruments = le16(h + 12);
    return seek_to(XM_HEADER_SIZE_OFFSET + int64_t(header_size));
}

// ---- Patterns ---------------------------------------------------------------------------------

static void store_cell(NoteCell* cell, const uint8_t* fields) {
    cell->note = fields[0] == XM_KEY_OFF ? NOTE_KEY_OFF : fields[0];
    // Notes past key-off name no key: trackers play them as no note.
    if (fields[0] > XM_KEY_OFF) cell->note = 0;
    cell->instrument = fields[1] > MAX_INSTRUMENT_NUMBER ? 0 : fields[1];
    cell->volume = fields[2];
    cell->effect = fields[3];
    cell->param = fields[4];
    // An effect type beyond Z is no effect (its parameter would otherwise read as arpeggio).
    if (fields[3] > MAX_EFFECT) cell->effect = cell->param = 0;
}

// Decodes exactly cell_count cells from the packed bytes; bytes after the last cell are ignored,
// as trackers do (the next pattern still starts after the packed size).
static bool unpack_cells(NoteCell* cells, int32_t cell_count, int32_t size, int32_t pattern) {
    int32_t at = 0;
    for (int32_t c = 0; c < cell_count; ++c) {
        if (at >= size) return fail("pattern %d: packed data overruns its size", pattern);
        uint8_t fields[5] = {};
        uint8_t b = packed_cells[at++];
        uint8_t present = b;
        // Bit 7 clear: b is the note itself and the other four fields follow.
        if (!(b & XM_PACKED_CELL)) {
            fields[0] = b;
            present = 0x1E;
        }
        for (int f = 0; f < 5; ++f) {
            if (!(present & (1u << f))) continue;
            if (at >= size) return fail("pattern %d: packed data overruns its size", pattern);
            fields[f] = packed_cells[at++];
        }
        store_cell(&cells[c], fields);
    }
    return true;
}

static bool read_pattern(Song* song, int32_t index) {
    uint8_t h[XM_PATTERN_HEADER_SIZE];
    if (!read_bytes(h, XM_PATTERN_HEADER_SIZE)) return false;
    int32_t rows = le16(h + XM_PATTERN_ROWS_AT), packed_size = le16(h + XM_PATTERN_PACKED_SIZE_AT);
    if (rows == 0 || rows > MAX_ROWS)
        return fail("pattern %d: %d rows (1 to %d allowed)", index, rows, MAX_ROWS);
    Pattern& pattern = song->patterns[index];
    int32_t cell_count = rows * song->channel_count;
    pattern.cells = static_cast<NoteCell*>(std::calloc(size_t(cell_count), sizeof(NoteCell)));
    if (!pattern.cells) return fail("out of memory");
    pattern.rows = rows;
    // A packed size of 0 means every cell is empty and no data follow.
    if (packed_size == 0) return true;
    if (!read_bytes(packed_cells, packed_size)) return false;
    return unpack_cells(pattern.cells, cell_count, packed_size, index);
}

static bool read_patterns(Song* song, int32_t file_patterns) {
    song->used_patterns = 0;
    for (int32_t o = 0; o < song->song_length; ++o)
        song->used_patterns = std::max(song->used_patterns, song->order_table[o] + 1);
    int32_t count = file_patterns > song->used_patterns ? file_patterns : song->used_patterns;
    song->patterns = static_cast<Pattern*>(std::calloc(size_t(count), sizeof(Pattern)));
    if (!song->patterns) return fail("out of memory");
    song->pattern_count = count;
    for (int32_t p = 0; p < file_patterns; ++p)
        if (!read_pattern(song, p)) return false;
    // Patterns the order list names but the file lacks are 64 empty rows.
    for (int32_t p = file_patterns; p < song->used_patterns; ++p) {
        size_t cells = size_t(MISSING_PATTERN_ROWS) * size_t(song->channel_count);
        song->patterns[p].cells = static_cast<NoteCell*>(std::calloc(cells, sizeof(NoteCell)));
        if (!song->patterns[p].cells) return fail("out of memory");
        song->patterns[p].rows = MISSING_PATTERN_ROWS;
    }
    return true;
}

// ---- Instruments ------------------------------------------------------------------------------

static EnvelopeBytes checked_envelope(EnvelopeBytes e) {
    // The file holds 12 points; a larger count is clipped to them.
    if (e.count > XM_ENVELOPE_POINTS) e.count = XM_ENVELOPE_POINTS;
    if (e.count < 2) e.type = 0;
    // A sustain or loop point beyond the points in use switches that feature off.
    if (e.sustain >= e.count) {
        e.type &= uint8_t(~ENVELOPE_SUSTAIN);
        e.sustain = 0;
    }
    if (e.loop_start >= e.count || e.loop_end >= e.count || e.loop_start > e.loop_end) {
        e.type &= uint8_t(~ENVELOPE_LOOP);
        e.loop_start = e.loop_end = 0;
    }
    return e;
}

static void read_envelope_points(EnvelopePoint* points, const uint8_t* b) {
    for (int32_t k = 0; k < XM_ENVELOPE_POINTS; ++k) {
        points[k].x = le16(b + 4 * k);
        points[k].y = le16(b + 4 * k + 2);
    }
}

// Offsets 29..240 of the instrument header: keymap, envelopes, autovibrato, fade-out.
static bool read_instrument_fields(Instrument* ins) {
    uint8_t b[XM_INSTRUMENT_FIELDS];
    if (!read_bytes(b, XM_INSTRUMENT_FIELDS)) return false;
    std::memcpy(ins->keymap, b + 4, 96);
    read_envelope_points(ins->vol_env, b + 100);
    read_envelope_points(ins->pan_env, b + 148);
    const uint8_t* c = b + 196;
    EnvelopeBytes vol = checked_envelope({c[0], c[2], c[3], c[4], c[8]});
    EnvelopeBytes pan = checked_envelope({c[1], c[5], c[6], c[7], c[9]});
    ins->vol_point_count = vol.count;
    ins->vol_sustain = vol.sustain;
    ins->vol_loop_start = vol.loop_start;
    ins->vol_loop_end = vol.loop_end;
    ins->vol_type = vol.type;
    ins->pan_point_count = pan.count;
    ins->pan_sustain = pan.sustain;
    ins->pan_loop_start = pan.loop_start;
    ins->pan_loop_end = pan.loop_end;
    ins->pan_type = pan.type;
    ins->vibrato_type = c[10];
    ins->vibrato_sweep = c[11];
    ins->vibrato_depth = c[12];
    ins->vibrato_rate = c[13];
    // Stored doubled: the engine's fade-out counts in steps of 1/65536, the file's in 1/32768.
    ins->fadeout = uint16_t(le16(b + 210) << 1);
    return true;
}

// Loop type and bounds from the header's byte values; afterwards loop_start + loop_length never
// passes length, and an unlooped sample's loop spans the whole sample.
static void set_loop(SampleHeader* s, uint32_t length, uint32_t loop_start, uint32_t loop_length,
                     uint8_t type) {
    s->loop_type = LOOP_NONE;
    if (type & XM_SAMPLE_LOOP_FORWARD) s->loop_type = LOOP_FORWARD;
    if (type & XM_SAMPLE_LOOP_PINGPONG)
        s->loop_type = LOOP_PINGPONG;  // so both bits give ping-pong
    if (s->loop_type == LOOP_NONE) {
        loop_start = 0;
        loop_length = length;
    }
    uint32_t shift = s->bits == 16 ? 1 : 0;  // 16-bit values count bytes: halve them to frames
    s->length = length >> shift;
    s->loop_start = loop_start >> shift;
    s->loop_length = loop_length >> shift;
    // A loop starting beyond the sample is dropped; one running past its end is clipped to the
    // end, as trackers do.
    if (s->loop_start >= s->length) s->loop_length = 0;
    if (s->loop_length > s->length - s->loop_start) s->loop_length = s->length - s->loop_start;
    if (s->loop_length == 0) {
        s->loop_start = 0;
        s->loop_length = s->length;
        s->loop_type = LOOP_NONE;
    }
}

static bool read_sample_header(Instrument* ins, int32_t j) {
    uint8_t h[XM_SAMPLE_HEADER_SIZE];
    if (!read_bytes(h, XM_SAMPLE_HEADER_SIZE)) return false;
    SampleHeader* s = static_cast<SampleHeader*>(std::calloc(1, sizeof(SampleHeader)));
    if (!s) return fail("out of memory");
    ins->samples[j] = s;
    sample_bytes[j] = le32(h);
    s->bits = (h[XM_SAMPLE_TYPE_AT] & XM_SAMPLE_16_BIT) ? 16 : 8;
    s->volume = h[12] > MAX_SAMPLE_VOLUME ? MAX_SAMPLE_VOLUME : h[12];  // trackers cap it at 64
    s->finetune = int8_t(h[13]);
    s->panning = h[15];
    s->relative_note = int8_t(h[16]);
    set_loop(s, sample_bytes[j], le32(h + 4), le32(h + 8), h[XM_SAMPLE_TYPE_AT]);
    return true;
}

// ---- Sample data ------------------------------------------------------------------------------

// Byte k becomes frame k with the byte in the high half. Backwards, so that no frame overwrites a
// byte still to be read.
static void widen_8bit(int16_t* data, uint32_t length) {
    const uint8_t* bytes = reinterpret_cast<const uint8_t*>(data);
    for (uint32_t k = length; k-- > 0;) data[k] = int16_t(uint16_t(bytes[k] << 8));
}

// The file's 16-bit values are little-endian; assembled in place, byte by byte.
static void assemble_16bit(int16_t* data, uint32_t length) {
    const uint8_t* bytes = reinterpret_cast<const uint8_t*>(data);
    for (uint32_t k = 0; k < length; ++k) data[k] = int16_t(le16(bytes + 2 * k));
}

// Each stored value is the difference to the previous frame, wrapping in 16 bits; on 8-bit data
// widened to 16 this equals decoding the 8-bit deltas and then multiplying by 256.
static void undo_delta(int16_t* data, uint32_t length) {
    uint16_t sum = 0;
    for (uint32_t k = 0; k < length; ++k) {
        sum = uint16_t(sum + uint16_t(data[k]));
        data[k] = int16_t(sum);
    }
}

// The frame after the loop end lets the mixer interpolate across the wrap without a test.
static void write_guard(SampleHeader* s) {
    uint32_t end = s->loop_start + s->loop_length;
    if (s->loop_type == LOOP_PINGPONG) s->data[end] = s->data[end - 1];
    if (s->loop_type == LOOP_FORWARD) s->data[end] = s->data[s->loop_start];
}

static bool read_sample_data(Song* song, SampleHeader* s, int32_t i, int32_t j) {
    int64_t left = int64_t(input_size) - stream_tell(input);
    if (sample_bytes[j] > left)
        return fail("truncated at byte %d (instrument %d sample %d needs %u bytes of data)",
                    input_size, i + 1, j, sample_bytes[j]);
    if (s->length == 0) return skip(sample_bytes[j]);
    s->data = static_cast<int16_t*>(std::calloc(2 * size_t(s->length) + GUARD_BYTES, 1));
    if (!s->data) return fail("out of memory");
    int32_t byte_count = int32_t(s->bits / 8 * s->length);
    if (song->sample_load_callback) {
        // The callback supplies plain PCM; the file's delta-coded bytes are skipped unread.
        song->sample_load_callback(s->data, byte_count, s->bits, i, j);
        if (!skip(sample_bytes[j])) return false;
    } else {
        // The data takes the header's byte count, as trackers write and read it: an odd count of
        // a 16-bit sample ends in a stray byte that belongs to no frame, and skipping it keeps the
        // next sample's data in step.
        if (!read_bytes(s->data, byte_count) || !skip(sample_bytes[j] - uint32_t(byte_count)))
            return false;
        if (s->bits == 16) assemble_16bit(s->data, s->length);
    }
    if (s->bits == 8) widen_8bit(s->data, s->length);
    s->bits = 16;
    if (!song->sample_load_callback) undo_delta(s->data, s->length);
    write_guard(s);
    return true;
}

static bool read_instrument(Song* song, int32_t i) {
    Instrument* ins = &song->instruments[i];
    int32_t start = stream_tell(input);
    uint32_t header_size = 0;
    uint16_t count = 0;
    if (!read_u32(&header_size) || !skip(XM_SAMPLE_COUNT_AT - 4) || !read_u16(&count)) return false;
    if (count > MAX_SAMPLES)
        return fail("instrument %d: too many samples (%d, at most %d)", i + 1, count, MAX_SAMPLES);
    ins->sample_count = count;
    for (int32_t j = count; j < MAX_SAMPLES; ++j) ins->samples[j] = &dummy_sample;
    if (count > 0 && !read_instrument_fields(ins)) return false;
    if (!seek_to(start + int64_t(header_size))) return false;
    for (int32_t j = 0; j < count; ++j)
        if (!read_sample_header(ins, j)) return false;
    for (int32_t j = 0; j < count; ++j)
        if (!read_sample_data(song, ins->samples[j], i, j)) return false;
    return true;
}

static bool read_instruments(Song* song, int32_t count) {
    if (count == 0) return true;
    song->instruments = static_cast<Instrument*>(std::calloc(size_t(count), sizeof(Instrument)));
    if (!song->instruments) return fail("out of memory");
    song->instrument_count = int16_t(count);
    for (int32_t i = 0; i < count; ++i)
        if (!read_instrument(song, i)) return false;
    return true;
}

// ---- Entry points -----------------------------------------------------------------------------

static bool read_module(Song* song) {
    char magic[XM_MAGIC_LENGTH];
    stream_seek(input, 0, 0);
    if (stream_read(magic, XM_MAGIC_LENGTH, input) != XM_MAGIC_LENGTH ||
        std::memcmp(magic, XM_MAGIC, XM_MAGIC_LENGTH) != 0)
        return fail("not an XM module");
    song->tick_callback = song_tick;
    song->initial_global_volume = 64;
    int32_t file_patterns = 0, instruments = 0;
    return read_header(song, &file_patterns, &instruments) && read_patterns(song, file_patterns) &&
           read_instruments(song, instruments);
}

bool load_xm(Song* song, StreamHandle* handle) {
    load_error[0] = '\0';
    if (!song || !handle) return fail("no song or stream to load");
    input = handle;
    stream_seek(handle, 0, 2);
    input_size = stream_tell(handle) > 0 ? stream_tell(handle) : 0;
    bool ok = read_module(song);
    input = nullptr;
    return ok;
}

Song* music_load(const char* name, SampleLoadCallback callback) {
    load_error[0] = '\0';
    if (!music_file_callbacks_set()) {
        fail("no stream callbacks registered");
        return nullptr;
    }
    Song* song = static_cast<Song*>(std::calloc(1, sizeof(Song)));
    if (!song) {
        fail("out of memory");
        return nullptr;
    }
    StreamHandle* handle = stream_open(name, 0, 0);
    if (!handle) {
        std::free(song);
        fail("cannot open %s", name ? name : "(no name)");
        return nullptr;
    }
    song->sample_load_callback = callback;
    bool ok = load_xm(song, handle);
    stream_close(handle);
    if (ok) return song;
    music_free(song);
    return nullptr;
}

bool music_free(Song* song) {
    if (!song) return false;
    // The renderer must never reach a freed Song: stop the playback that holds it (the mixing
    // thread finishes its block first).
    if (song == playing_song && playback_stop) playback_stop(song);
    for (int32_t i = 0; i < song->instrument_count; ++i) {
        Instrument& ins = song->instruments[i];
        for (int32_t j = 0; j < ins.sample_count; ++j) {
            if (!ins.samples[j]) continue;
            std::free(ins.samples[j]->data);
            std::free(ins.samples[j]);
        }
    }
    std::free(song->instruments);
    for (int32_t p = 0; p < song->pattern_count; ++p) std::free(song->patterns[p].cells);
    std::free(song->patterns);
    std::free(song);
    return true;
}
