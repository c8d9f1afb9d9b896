// The Extended Module file layout that the loader reads and the XM writer writes: where the
// fields lie, how long the fixed parts are, and the bits of packed cells and sample types. Every
// value in the file is little-endian.
#pragma once

#include <cstdint>

// ---- Module header ----------------------------------------------------------------------------
constexpr char XM_MAGIC[] = "Extended Module: ";
constexpr int32_t XM_MAGIC_LENGTH = 17;
constexpr int32_t XM_NAME_LENGTH = 20;         // the module's name and the tracker's
constexpr int32_t XM_HEADER_SIZE_OFFSET = 60;  // the header size; the song fields follow it
constexpr uint32_t XM_HEADER_FIELDS = 20;      // header size .. default BPM, offsets 60..79
// The song fields, 16 bits each from offset 64: length, restart, channels, patterns,
// instruments, flags, tempo, BPM.
constexpr int32_t XM_PATTERN_COUNT_AT = 70;
constexpr int32_t XM_INSTRUMENT_COUNT_AT = 72;
constexpr int32_t XM_ORDER_TABLE_LENGTH = 256;  // follows the song fields

// ---- Patterns ---------------------------------------------------------------------------------
constexpr uint32_t XM_PATTERN_HEADER_SIZE = 9;  // header size, packing, rows, packed size
constexpr int32_t XM_PATTERN_ROWS_AT = 5;       // 16 bits each, from the pattern's start
constexpr int32_t XM_PATTERN_PACKED_SIZE_AT = 7;
// A cell is five bytes (note, instrument, volume, effect, parameter), or a byte with this bit set
// whose bits 0..4 say which of the five follow.
constexpr uint8_t XM_PACKED_CELL = 0x80;
constexpr uint8_t XM_KEY_OFF = 97;  // the file's note number of a key-off

// ---- Instruments and samples ------------------------------------------------------------------
constexpr uint32_t XM_INSTRUMENT_HEADER_BRIEF = 29;  // size, name, type, sample count
constexpr uint32_t XM_INSTRUMENT_HEADER_FULL = 263;  // every field plus 22 reserved bytes
constexpr int32_t XM_INSTRUMENT_NAME_LENGTH = 22;
constexpr int32_t XM_SAMPLE_COUNT_AT = 27;     // 16 bits, from the instrument's start
constexpr int32_t XM_INSTRUMENT_FIELDS = 212;  // sample header size .. fade-out, 29..240
constexpr int32_t XM_ENVELOPE_POINTS = 12;     // the points an envelope's table holds
constexpr uint32_t XM_SAMPLE_HEADER_SIZE = 40;
constexpr int32_t XM_SAMPLE_TYPE_AT = 14;  // in the sample header
constexpr int32_t XM_SAMPLE_NAME_LENGTH = 22;
// The sample type: loop bits (1 forward, 2 ping-pong) and the width of the values.
constexpr uint8_t XM_SAMPLE_LOOP_FORWARD = 1;
constexpr uint8_t XM_SAMPLE_LOOP_PINGPONG = 2;
constexpr uint8_t XM_SAMPLE_16_BIT = 0x10;
