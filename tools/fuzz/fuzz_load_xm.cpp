// libFuzzer target for the XM loader and the engine behind it (fuzz_load_xm_input).
// With QUADRISE_WRITE_SEEDS=DIR set it instead writes a seed corpus of writer-made modules to DIR
// and exits.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tools/fuzz/fuzz_inputs.h"
#include "tools/xm_writer/xm_writer.h"

namespace {

// A pattern using every effect type with a varied parameter, with notes, key-offs and
// volume-column bytes, so that mutations start from cells that reach every engine path.
XmPattern busy_pattern(const XmModule& m) {
    XmPattern p = xm_empty_pattern(m, 64);
    for (size_t i = 0; i < p.cells.size(); ++i) {
        NoteCell& c = p.cells[i];
        c.note = i % 7 == 6 ? NOTE_KEY_OFF : uint8_t(1 + (i * 13) % 96);
        c.instrument = uint8_t(1 + i % 3);
        c.volume = uint8_t(0x10 + (i * 5) % 0xF0);
        c.effect = uint8_t(i % 36);
        c.param = uint8_t((i * 37) % 256);
    }
    return p;
}

XmInstrument enveloped_instrument(uint8_t bits, uint8_t loop_bits) {
    XmInstrument ins;
    ins.volume_envelope = {{{0, 64}, {8, 20}, {20, 48}, {40, 0}}, 7, 1, 1, 2, {}};
    ins.panning_envelope = {{{0, 0}, {16, 64}, {32, 32}}, 5, 0, 0, 2, {}};
    ins.vibrato_type = 1;
    ins.vibrato_sweep = 8;
    ins.vibrato_depth = 6;
    ins.vibrato_rate = 40;
    ins.fadeout = 600;
    XmSample s = xm_test_sample(bits, 300);
    s.loop_bits = loop_bits;
    s.loop_start = 40;
    s.loop_length = 200;
    ins.samples = {s, xm_test_sample(bits, 50)};
    for (int k = 48; k < 96; ++k) ins.keymap[k] = 1;
    return ins;
}

std::vector<std::vector<uint8_t>> seed_modules() {
    std::vector<std::vector<uint8_t>> seeds;
    XmModule basic = xm_basic_module(4);
    seeds.push_back(xm_write(basic));

    XmModule busy = xm_basic_module(8);
    busy.patterns = {busy_pattern(busy), xm_empty_pattern(busy, 16)};
    busy.patterns[1].empty_packed = true;
    busy.orders = {0, 1, 0, 3};
    busy.restart_position = 1;
    busy.instruments = {enveloped_instrument(16, 2), enveloped_instrument(8, 1), XmInstrument{}};
    seeds.push_back(xm_write(busy));

    busy.flags = 0;  // the Amiga frequency table
    busy.tempo = 3;
    busy.bpm = 200;
    seeds.push_back(xm_write(busy));

    XmModule wide = xm_basic_module(32);
    wide.patterns = {busy_pattern(wide)};
    wide.instruments = {enveloped_instrument(16, 1), enveloped_instrument(8, 2),
                        enveloped_instrument(16, 0)};
    seeds.push_back(xm_write(wide));
    return seeds;
}

bool write_seeds(const char* directory) {
    std::vector<std::vector<uint8_t>> seeds = seed_modules();
    for (size_t i = 0; i < seeds.size(); ++i) {
        std::string path = std::string(directory) + "/seed_" + std::to_string(i) + ".xm";
        std::FILE* f = std::fopen(path.c_str(), "wb");
        if (!f) return false;
        bool ok = std::fwrite(seeds[i].data(), 1, seeds[i].size(), f) == seeds[i].size();
        ok = std::fclose(f) == 0 && ok;
        if (!ok) return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    const char* seed_directory = std::getenv("QUADRISE_WRITE_SEEDS");
    if (seed_directory) std::exit(write_seeds(seed_directory) ? 0 : 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz_load_xm_input(data, size);
    return 0;
}
