// Modules the benchmarks play, described with the XM writer: a 10-channel piece shaped like the
// soundtrack and a dense one with all 32 channels sounding looped samples.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "tools/xm_writer/xm_writer.h"

// A 16-bit sample of a decaying tone (frames), looped as asked.
inline XmSample bench_sample(uint32_t frames, double cycle, uint8_t loop_bits, uint32_t loop_start,
                             uint32_t loop_length) {
    XmSample s;
    s.bits = 16;
    s.frames.resize(frames);
    for (uint32_t i = 0; i < frames; ++i) {
        double decay = loop_bits ? 1.0 : std::exp(-3.0 * i / frames);
        s.frames[i] =
            static_cast<int16_t>(20000.0 * decay * std::sin(6.283185307179586 * i / cycle));
    }
    s.loop_bits = loop_bits;
    s.loop_start = loop_start;
    s.loop_length = loop_length;
    return s;
}

inline XmInstrument bench_instrument(const XmSample& sample) {
    XmInstrument ins;
    ins.samples.push_back(sample);
    return ins;
}

inline NoteCell& bench_cell(XmPattern& p, const XmModule& m, int row, int channel) {
    return p.cells[static_cast<size_t>(row) * m.channel_count + static_cast<size_t>(channel)];
}

// Drums, hi-hat and snare without loops, a forward-looped string, a ping-pong pad and a looped
// tone; notes every few rows with key-offs, volume-column slides and pitch slides, 130 BPM.
inline XmModule bench_soundtrack_module() {
    XmModule m;
    m.channel_count = 10;
    m.tempo = 6;
    m.bpm = 130;
    m.instruments = {bench_instrument(bench_sample(8000, 180.0, 0, 0, 0)),
                     bench_instrument(bench_sample(2000, 3.3, 0, 0, 0)),
                     bench_instrument(bench_sample(6000, 7.1, 0, 0, 0)),
                     bench_instrument(bench_sample(20000, 100.0, 1, 10000, 10000)),
                     bench_instrument(bench_sample(40000, 200.0, 2, 20000, 20000)),
                     bench_instrument(bench_sample(4000, 50.0, 1, 0, 4000))};
    const uint8_t melody[] = {49, 52, 56, 54, 49, 47, 45, 52};
    for (int pattern = 0; pattern < 4; ++pattern) {
        XmPattern p = xm_empty_pattern(m, 64);
        for (int row = 0; row < 64; ++row) {
            if (row % 8 == 0) bench_cell(p, m, row, 0) = {37, 1, 0, 0, 0};
            if (row % 2 == 0)
                bench_cell(p, m, row, 1) = {61, 2, uint8_t(0x10 + 24 + row % 16), 0, 0};
            if (row % 16 == 8) bench_cell(p, m, row, 2) = {49, 3, 0, 0, 0};
            for (int c = 3; c < 6; ++c) {
                if (row % 32 == 0)
                    bench_cell(p, m, row, c) = {uint8_t(37 + 4 * c + pattern), 4, 0, 0, 0};
                if (row % 32 == 28) bench_cell(p, m, row, c) = {NOTE_KEY_OFF, 0, 0, 0, 0};
            }
            if (row == 0) bench_cell(p, m, row, 6) = {25, 5, 0x40, 8, 0x40};
            if (row == 0) bench_cell(p, m, row, 7) = {32, 5, 0x40, 8, 0xC0};
            if (row % 4 == 0) bench_cell(p, m, row, 8) = {melody[row / 4 % 8], 6, 0, 0, 0};
            if (row % 4 == 2) bench_cell(p, m, row, 8) = {0, 0, 0x72, 1, 4};
            if (row % 8 == 4)
                bench_cell(p, m, row, 9) = {uint8_t(melody[row / 8 % 8] + 12), 6, 0x30, 2, 2};
        }
        m.patterns.push_back(p);
    }
    m.orders = {0, 1, 2, 3};
    return m;
}

// All 32 channels sound looped samples (forward and ping-pong) from the first row on; every
// 16 rows each channel takes a new note (a twin fade-out and a fade-in) and every 4 rows a new
// volume (a ramp).
inline XmModule bench_dense_module() {
    XmModule m;
    m.channel_count = 32;
    m.tempo = 6;
    m.bpm = 125;
    m.instruments = {bench_instrument(bench_sample(30000, 90.0, 1, 1000, 29000)),
                     bench_instrument(bench_sample(30000, 130.0, 2, 500, 29000))};
    XmPattern p = xm_empty_pattern(m, 64);
    for (int row = 0; row < 64; ++row) {
        for (int c = 0; c < 32; ++c) {
            NoteCell& cell = bench_cell(p, m, row, c);
            if ((row + c) % 16 == 0) {
                cell = {uint8_t(30 + (c * 7 + row) % 40), uint8_t(1 + c % 2), 0x40, 8,
                        uint8_t(c * 8)};
            } else if ((row + c) % 4 == 0) {
                cell.volume = uint8_t(0x10 + 20 + (row * 3 + c) % 44);
            }
        }
    }
    m.patterns.push_back(p);
    m.orders = {0};
    return m;
}

// Writes the module to a temporary file for the file-backed callbacks; empty on failure.
inline std::string bench_write_temp(const XmModule& module, const char* name) {
    std::vector<uint8_t> bytes = xm_write(module);
    std::string path = std::string("/tmp/quadrise_bench_") + name + ".xm";
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return {};
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    ok = std::fclose(f) == 0 && ok;
    return ok ? path : std::string{};
}
