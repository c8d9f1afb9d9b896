// Slot reads shared by the effect and slot-processing modules.
// Internal to synth/.
#pragma once

#include <cstdint>

#include "dsp.h"
#include "synth_state.h"

namespace synth {

// Sample `index` of `slot`, or 0 before its start and past its end.
inline double slot_sample(int slot, int64_t index) {
    return index >= 0 && index < slot_length[slot] ? slot_data[slot][index] : 0.0;
}

// `slot` at a fractional position, linearly interpolated; silence outside the slot.
inline double slot_read(int slot, double pos) {
    return table_read_linear(pos, slot_length[slot], slot_data[slot]);
}

}  // namespace synth
