// Seeds sample slots with exact samples, so effect tests start from input they can compute by hand.
#pragma once

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "synth/synth_state.h"

// Replaces `slot`'s content with `samples`, allocated the way the driver allocates slots.
inline void load_slot(int slot, const std::vector<double>& samples) {
    std::free(slot_data[slot]);
    slot_data[slot] = static_cast<double*>(std::calloc(samples.size() + 1, sizeof(double)));
    std::copy(samples.begin(), samples.end(), slot_data[slot]);
    slot_length[slot] = static_cast<int32_t>(samples.size());
}

// `count` samples of `value`.
inline std::vector<double> constant_samples(int count, double value) {
    return std::vector<double>(static_cast<size_t>(count), value);
}
