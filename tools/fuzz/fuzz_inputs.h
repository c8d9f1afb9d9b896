// What the fuzz targets do with one input, shared with the unit test that replays the kept
// corpora, so that every test run (sanitizers included) goes over what fuzzing found.
#pragma once

#include <cstddef>
#include <cstdint>

// Arbitrary bytes through the XM loader from memory; a module that loads is played for at most
// 3 s or 300 ticks through the block renderer at a low mix rate and freed again. The mix rate is
// left as it was found; the resource table and the file callbacks are left serving the input.
// True when the bytes loaded.
bool fuzz_load_xm_input(const uint8_t* data, size_t size);

// Arbitrary bytes read as a module text into a small frame (4 channels, patterns 0 to 2 of 4, 1
// and 16 rows, instruments 01 to 06). A text that reads must make a
// module that writes and loads: false when it does not (a fault for the fuzzer to report). The
// resource table and the file callbacks are left serving that module.
bool fuzz_xm_text_input(const uint8_t* data, size_t size);
