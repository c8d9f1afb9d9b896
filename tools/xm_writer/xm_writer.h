// The XM writer: serialises a plain-record description of a module into the bytes of an Extended
// Module file (packed pattern cells, delta-coded sample data). Tests, fuzz seeds and the soundtrack
// builder describe modules here instead of committing opaque binaries. The *_override fields
// write deliberately inconsistent values for loader tests; left unset the file is well formed.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "player/player.h"
#include "player/xm_format.h"

struct XmSample {
    std::string name;
    uint8_t bits = 8;             // 8 or 16
    std::vector<int16_t> frames;  // PCM; 8-bit samples keep only the low byte of each value
    uint8_t loop_bits = 0;        // type byte bits 0..1: 0 none, 1 forward, 2 ping-pong
    uint32_t loop_start = 0;      // in frames (written as bytes: doubled for 16-bit)
    uint32_t loop_length = 0;     // in frames
    uint8_t volume = 64;
    int8_t finetune = 0;
    uint8_t panning = 128;
    int8_t relative_note = 0;
    std::optional<uint32_t> length_bytes_override;       // header length field, data unchanged
    std::optional<uint32_t> loop_start_bytes_override;   // header loop start field
    std::optional<uint32_t> loop_length_bytes_override;  // header loop length field
};

struct XmEnvelope {
    std::vector<EnvelopePoint> points;  // at most 12 are written
    uint8_t type = 0;                   // bit 0 on, bit 1 sustain, bit 2 loop
    uint8_t sustain = 0, loop_start = 0, loop_end = 0;
    std::optional<uint8_t> point_count_override;
};

struct XmInstrument {
    std::string name;
    uint8_t keymap[96] = {};
    XmEnvelope volume_envelope;
    XmEnvelope panning_envelope;
    uint8_t vibrato_type = 0, vibrato_sweep = 0, vibrato_depth = 0, vibrato_rate = 0;
    uint16_t fadeout = 0;  // the file value
    std::vector<XmSample> samples;
    std::optional<uint16_t> sample_count_override;  // header count, only the listed samples follow
    std::optional<uint32_t> header_size_override;   // size field only; the bytes stay 263 or 29
};

struct XmPattern {
    int32_t rows = 64;
    std::vector<NoteCell> cells;              // rows x channel_count, row-major; key-off as 255
    bool empty_packed = false;                // write packed size 0 and no cell data
    std::vector<uint8_t> extra_packed_bytes;  // appended after the cells, counted in the size
    std::optional<uint16_t> packed_size_override;
    std::optional<uint16_t> rows_override;  // header row count; the cells are packed as given
};

struct XmModule {
    std::string name = "test";
    std::string tracker = "quadrise xm writer";
    uint16_t version = 0x0104;
    uint16_t restart_position = 0;
    uint16_t channel_count = 4;
    uint16_t flags = SONG_LINEAR_FREQUENCIES;
    uint16_t tempo = 6;
    uint16_t bpm = 125;
    std::vector<uint8_t> orders = {0};
    std::vector<XmPattern> patterns;
    std::vector<XmInstrument> instruments;
    uint32_t header_size = XM_HEADER_FIELDS + XM_ORDER_TABLE_LENGTH;
    std::optional<uint16_t> song_length_override;       // default: orders.size()
    std::optional<uint16_t> pattern_count_override;     // header count, only listed patterns follow
    std::optional<uint16_t> instrument_count_override;  // likewise for instruments
    std::string magic = XM_MAGIC;
};

// An empty pattern of the given rows for the module's channel count.
XmPattern xm_empty_pattern(const XmModule& module, int32_t rows);
// A sample with frames 0..length-1 holding a small saw wave, of the given bits.
XmSample xm_test_sample(uint8_t bits, uint32_t length);
// A small playable module: channels, one pattern of 64 rows with a few notes, one instrument
// with one looped 8-bit sample.
XmModule xm_basic_module(uint16_t channel_count);

std::vector<uint8_t> xm_write(const XmModule& module);
// Replaces the sample data of the XM file in bytes with what fill writes for each sample, called
// as the loader calls its sample callback (a zeroed buffer, byte count, bits, instrument index,
// sample index); the PCM it writes is stored delta-coded. False, with bytes unchanged, when the
// file's structure runs past its end.
bool xm_store_samples(std::vector<uint8_t>& bytes, SampleLoadCallback fill);
