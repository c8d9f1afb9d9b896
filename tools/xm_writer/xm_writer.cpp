// The XM writer: module description -> Extended Module bytes, little-endian, written byte by byte.
#include "tools/xm_writer/xm_writer.h"

#include <algorithm>

namespace {

void put8(std::vector<uint8_t>& out, uint32_t value) { out.push_back(uint8_t(value & 0xFF)); }

void put16(std::vector<uint8_t>& out, uint32_t value) {
    put8(out, value);
    put8(out, value >> 8);
}

void put32(std::vector<uint8_t>& out, uint32_t value) {
    put16(out, value);
    put16(out, value >> 16);
}

// Text fields are fixed width, padded with zeros (or cut).
void put_text(std::vector<uint8_t>& out, const std::string& text, size_t width) {
    for (size_t i = 0; i < width; ++i) put8(out, i < text.size() ? uint8_t(text[i]) : 0);
}

void put_zeros(std::vector<uint8_t>& out, size_t count) { out.insert(out.end(), count, 0); }

void write_header(std::vector<uint8_t>& out, const XmModule& m) {
    for (char c : m.magic) put8(out, uint8_t(c));
    put_text(out, m.name, XM_NAME_LENGTH);
    put8(out, 0x1A);
    put_text(out, m.tracker, XM_NAME_LENGTH);
    put16(out, m.version);
    put32(out, m.header_size);
    size_t fields_start = out.size();
    put16(out, m.song_length_override.value_or(uint16_t(m.orders.size())));
    put16(out, m.restart_position);
    put16(out, m.channel_count);
    put16(out, m.pattern_count_override.value_or(uint16_t(m.patterns.size())));
    put16(out, m.instrument_count_override.value_or(uint16_t(m.instruments.size())));
    put16(out, m.flags);
    put16(out, m.tempo);
    put16(out, m.bpm);
    for (size_t i = 0; i < XM_ORDER_TABLE_LENGTH; ++i)
        put8(out, i < m.orders.size() ? m.orders[i] : 0);
    // The header size counts from its own field (4 bytes before fields_start).
    size_t written = out.size() - fields_start + 4;
    if (m.header_size > written) put_zeros(out, m.header_size - written);
}

// One cell: the plain five-byte form when every field is present, else a flag byte and the
// present fields.
void pack_cell(std::vector<uint8_t>& out, const NoteCell& cell) {
    uint8_t note = cell.note == NOTE_KEY_OFF ? XM_KEY_OFF : cell.note;
    uint8_t fields[5] = {note, cell.instrument, cell.volume, cell.effect, cell.param};
    bool all = note < XM_PACKED_CELL;
    for (uint8_t f : fields) all = all && f != 0;
    if (all) {
        for (uint8_t f : fields) put8(out, f);
        return;
    }
    uint8_t flag = XM_PACKED_CELL;
    for (int bit = 0; bit < 5; ++bit)
        if (fields[bit] != 0) flag |= uint8_t(1u << bit);
    put8(out, flag);
    for (uint8_t f : fields)
        if (f != 0) put8(out, f);
}

void write_pattern(std::vector<uint8_t>& out, const XmPattern& p) {
    std::vector<uint8_t> packed;
    if (!p.empty_packed) {
        for (const NoteCell& cell : p.cells) pack_cell(packed, cell);
        packed.insert(packed.end(), p.extra_packed_bytes.begin(), p.extra_packed_bytes.end());
    }
    put32(out, XM_PATTERN_HEADER_SIZE);
    put8(out, 0);
    put16(out, p.rows_override.value_or(uint16_t(p.rows)));
    put16(out, p.packed_size_override.value_or(uint16_t(packed.size())));
    out.insert(out.end(), packed.begin(), packed.end());
}

void write_envelope_points(std::vector<uint8_t>& out, const XmEnvelope& e) {
    for (size_t i = 0; i < XM_ENVELOPE_POINTS; ++i) {
        put16(out, i < e.points.size() ? e.points[i].x : 0);
        put16(out, i < e.points.size() ? e.points[i].y : 0);
    }
}

uint8_t point_count(const XmEnvelope& e) {
    return e.point_count_override.value_or(
        uint8_t(std::min<size_t>(e.points.size(), XM_ENVELOPE_POINTS)));
}

void write_sample_header(std::vector<uint8_t>& out, const XmSample& s) {
    uint32_t scale = s.bits == 16 ? 2 : 1;
    put32(out, s.length_bytes_override.value_or(uint32_t(s.frames.size()) * scale));
    put32(out, s.loop_start_bytes_override.value_or(s.loop_start * scale));
    put32(out, s.loop_length_bytes_override.value_or(s.loop_length * scale));
    put8(out, s.volume);
    put8(out, uint8_t(s.finetune));
    put8(out, (s.loop_bits & (XM_SAMPLE_LOOP_FORWARD | XM_SAMPLE_LOOP_PINGPONG)) |
                  (s.bits == 16 ? XM_SAMPLE_16_BIT : 0));
    put8(out, s.panning);
    put8(out, uint8_t(s.relative_note));
    put8(out, 0);
    put_text(out, s.name, XM_SAMPLE_NAME_LENGTH);
}

// Delta coding: each value is stored as its difference from the previous one.
void write_sample_data(std::vector<uint8_t>& out, const XmSample& s) {
    int32_t previous = 0;
    for (int16_t frame : s.frames) {
        int32_t value = s.bits == 16 ? frame : int8_t(frame & 0xFF);
        uint32_t delta = uint32_t(value - previous);
        if (s.bits == 16)
            put16(out, delta);
        else
            put8(out, delta);
        previous = value;
    }
}

void write_instrument(std::vector<uint8_t>& out, const XmInstrument& ins) {
    size_t start = out.size();
    bool full = !ins.samples.empty();
    uint32_t size = full ? XM_INSTRUMENT_HEADER_FULL : XM_INSTRUMENT_HEADER_BRIEF;
    put32(out, ins.header_size_override.value_or(size));
    put_text(out, ins.name, XM_INSTRUMENT_NAME_LENGTH);
    put8(out, 0);
    put16(out, ins.sample_count_override.value_or(uint16_t(ins.samples.size())));
    if (full) {
        put32(out, XM_SAMPLE_HEADER_SIZE);
        for (uint8_t k : ins.keymap) put8(out, k);
        write_envelope_points(out, ins.volume_envelope);
        write_envelope_points(out, ins.panning_envelope);
        const XmEnvelope& v = ins.volume_envelope;
        const XmEnvelope& p = ins.panning_envelope;
        for (uint8_t b : {point_count(v), point_count(p), v.sustain, v.loop_start, v.loop_end,
                          p.sustain, p.loop_start, p.loop_end, v.type, p.type, ins.vibrato_type,
                          ins.vibrato_sweep, ins.vibrato_depth, ins.vibrato_rate})
            put8(out, b);
        put16(out, ins.fadeout);
    }
    size_t written = out.size() - start;
    if (size > written) put_zeros(out, size - written);
    for (const XmSample& s : ins.samples) write_sample_header(out, s);
    for (const XmSample& s : ins.samples) write_sample_data(out, s);
}

uint32_t get16(const std::vector<uint8_t>& in, size_t at) {
    return in[at] | uint32_t(in[at + 1]) << 8;
}

uint32_t get32(const std::vector<uint8_t>& in, size_t at) {
    return get16(in, at) | get16(in, at + 2) << 16;
}

// Whether count bytes from at lie inside the file (without overflowing).
bool inside(const std::vector<uint8_t>& in, size_t at, size_t count) {
    return at <= in.size() && count <= in.size() - at;
}

// Fills one sample's data (at, byte_count bytes) and stores it delta-coded in place.
void store_sample(std::vector<uint8_t>& out, size_t at, uint32_t byte_count, uint8_t bits,
                  int instrument, int sample, SampleLoadCallback fill) {
    uint32_t frames = bits == 16 ? byte_count / 2 : byte_count;
    std::vector<int16_t> buffer(frames + 8, 0);  // room for the callback's bytes, zeroed
    fill(buffer.data(), int(byte_count), bits, instrument, sample);
    XmSample s;
    s.bits = bits;
    const int8_t* bytes = reinterpret_cast<const int8_t*>(buffer.data());
    for (uint32_t k = 0; k < frames; ++k) s.frames.push_back(bits == 16 ? buffer[k] : bytes[k]);
    std::vector<uint8_t> coded;
    write_sample_data(coded, s);
    std::copy(coded.begin(), coded.end(), out.begin() + std::ptrdiff_t(at));
}

}  // namespace

XmPattern xm_empty_pattern(const XmModule& module, int32_t rows) {
    XmPattern p;
    p.rows = rows;
    p.cells.assign(size_t(std::max(rows, 0)) * module.channel_count, NoteCell{});
    return p;
}

XmSample xm_test_sample(uint8_t bits, uint32_t length) {
    XmSample s;
    s.name = "saw";
    s.bits = bits;
    s.frames.resize(length);
    int32_t top = bits == 16 ? 32000 : 120;
    for (uint32_t i = 0; i < length; ++i)
        s.frames[i] = int16_t(-top + int32_t((2 * top * int64_t(i % 32)) / 31));
    return s;
}

XmModule xm_basic_module(uint16_t channel_count) {
    XmModule m;
    m.channel_count = channel_count;
    XmPattern p = xm_empty_pattern(m, 64);
    for (int32_t row = 0; row < 64; row += 4) {
        NoteCell& cell = p.cells[size_t(row) * channel_count + size_t(row / 4 % channel_count)];
        cell.note = uint8_t(49 + row / 4 % 12);  // from C-4 upwards
        cell.instrument = 1;
    }
    m.patterns.push_back(p);
    XmInstrument ins;
    ins.name = "saw";
    XmSample s = xm_test_sample(8, 256);
    s.loop_bits = 1;
    s.loop_start = 64;
    s.loop_length = 128;
    ins.samples.push_back(s);
    m.instruments.push_back(ins);
    return m;
}

std::vector<uint8_t> xm_write(const XmModule& module) {
    std::vector<uint8_t> out;
    write_header(out, module);
    for (const XmPattern& p : module.patterns) write_pattern(out, p);
    for (const XmInstrument& ins : module.instruments) write_instrument(out, ins);
    return out;
}

bool xm_store_samples(std::vector<uint8_t>& bytes, SampleLoadCallback fill) {
    std::vector<uint8_t> out = bytes;
    if (!inside(out, XM_HEADER_SIZE_OFFSET, XM_HEADER_FIELDS)) return false;
    size_t at = XM_HEADER_SIZE_OFFSET + size_t(get32(out, XM_HEADER_SIZE_OFFSET));
    uint32_t patterns = get16(out, XM_PATTERN_COUNT_AT);
    uint32_t instruments = get16(out, XM_INSTRUMENT_COUNT_AT);
    for (uint32_t p = 0; p < patterns; ++p) {
        if (!inside(out, at, XM_PATTERN_HEADER_SIZE)) return false;
        at += size_t(get32(out, at)) + get16(out, at + XM_PATTERN_PACKED_SIZE_AT);
    }
    for (uint32_t i = 0; i < instruments; ++i) {
        if (!inside(out, at, XM_INSTRUMENT_HEADER_BRIEF)) return false;
        size_t headers = at + get32(out, at);
        uint32_t samples = get16(out, at + XM_SAMPLE_COUNT_AT);
        if (!inside(out, headers, size_t(samples) * XM_SAMPLE_HEADER_SIZE)) return false;
        at = headers + size_t(samples) * XM_SAMPLE_HEADER_SIZE;
        for (uint32_t j = 0; j < samples; ++j) {
            size_t header = headers + j * XM_SAMPLE_HEADER_SIZE;
            uint8_t bits = (out[header + XM_SAMPLE_TYPE_AT] & XM_SAMPLE_16_BIT) ? 16 : 8;
            uint32_t count = get32(out, header);
            if (bits == 16) count &= ~1u;  // whole frames, as the loader reads them
            if (!inside(out, at, count)) return false;
            store_sample(out, at, count, bits, int(i), int(j), fill);
            at += count;
        }
    }
    bytes.swap(out);
    return true;
}
