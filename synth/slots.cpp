// SampleSlots: seven double-precision sample buffers with their lengths (slot 0 is the work slot,
// slots 1..6 hold instruments 0..5), and their hand-over to the module loader as 16-bit samples.
#include <cstdlib>

#include "dsp.h"
#include "synth.h"

using synth::SLOT_COUNT;
using synth::slot_data;
using synth::slot_length;

constexpr double PCM_FULL_SCALE = 32765.0;  // full scale of a handed-over sample, not 32767

bool synth_slots_create() {
    synth_slots_free();
    slot_length = static_cast<int32_t*>(std::calloc(SLOT_COUNT, sizeof(int32_t)));
    slot_data = static_cast<double**>(std::calloc(SLOT_COUNT, sizeof(double*)));
    if (slot_length != nullptr && slot_data != nullptr) return true;
    synth_slots_free();
    return false;
}

void synth_slots_free() {
    if (slot_data != nullptr) {
        for (int s = 0; s < SLOT_COUNT; s++) std::free(slot_data[s]);
    }
    std::free(slot_data);
    std::free(slot_length);
    slot_data = nullptr;
    slot_length = nullptr;
}

int32_t synth_slot_length(int slot) {
    if (slot_length == nullptr || slot < 0 || slot >= SLOT_COUNT) return 0;
    return slot_length[slot];
}

const double* synth_slot_samples(int slot) {
    if (synth_slot_length(slot) == 0) return nullptr;
    return slot_data[slot];
}

int synth_fill_sample(int16_t* dest, int byte_length, int bits_per_sample, int instrument,
                      int sample_number) {
    (void)bits_per_sample;
    (void)sample_number;
    if (dest == nullptr || instrument < 0 || instrument >= SYNTH_INSTRUMENT_COUNT) return 0;
    int slot = instrument + 1;
    int n = byte_length / 2;
    int m = n < synth_slot_length(slot) ? n : synth_slot_length(slot);
    for (int s = 0; s < m; s++) {
        double v = synth::hard_clip(slot_data[slot][s]);
        if (v != v) v = 0.0;  // a NaN sample has no integer value; hand over silence
        dest[s] = static_cast<int16_t>(v * PCM_FULL_SCALE);  // truncates toward zero
    }
    return 0;
}
