// Shared helpers for the synthesizer tests: small programs built step by step, slots seeded with
// exact samples, and a fixture that gives every test fresh empty sample slots. The test files
// include only this header.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "synth/dsp.h"
#include "synth/program.h"
#include "synth/synth.h"
#include "synth/synth_state.h"

// The tests reach into the synthesizer's shared state and primitives by their own names.
using namespace synth;

// Accumulates steps and pool entries in decode order, then hands out a SynthProgram over them.
struct ProgramBuilder {
    std::vector<uint8_t> opcodes, slots, bytes;
    std::vector<float> floats;
    std::vector<int32_t> ints;

    ProgramBuilder& step(int opcode, int slot, const std::vector<float>& fs = {}, const std::vector<int>& bs = {}) {
        opcodes.push_back(uint8_t(opcode));
        slots.push_back(uint8_t(slot));
        return curve(fs).extra(bs);
    }
    ProgramBuilder& curve(const std::vector<float>& points) {
        floats.insert(floats.end(), points.begin(), points.end());
        return *this;
    }
    // More bytes (each value taken as its low byte) and ints, after those the step took.
    ProgramBuilder& extra(const std::vector<int>& bs, const std::vector<int32_t>& is = {}) {
        bytes.insert(bytes.end(), bs.begin(), bs.end());
        ints.insert(ints.end(), is.begin(), is.end());
        return *this;
    }
    SynthProgram program() const {
        return {opcodes.data(), slots.data(), int32_t(opcodes.size()), 6, floats.data(), int32_t(floats.size()),
                bytes.data(), int32_t(bytes.size()), ints.data(), int32_t(ints.size())};
    }
};

// Replaces `slot`'s content with `samples`, allocated the way the driver allocates slots (one spare
// zero sample) or, with `spare` 0, exactly, so that a read past the end is an ASan error.
inline void load_slot(int slot, const std::vector<double>& samples, size_t spare = 1) {
    std::free(slot_data[slot]);
    slot_data[slot] = static_cast<double*>(std::calloc(samples.size() + spare, sizeof(double)));
    std::copy(samples.begin(), samples.end(), slot_data[slot]);
    slot_length[slot] = int32_t(samples.size());
}

// The phase of a note at `hz` for each of `count` samples, accumulated and wrapped as an oscillator does.
inline std::vector<double> note_phases(size_t count, double hz) {
    std::vector<double> phases(count);
    for (size_t k = 1; k < count; ++k) phases[k] = phases[k - 1] + hz / 44100.0 - std::floor(phases[k - 1] + hz / 44100.0);
    return phases;
}

// Checks `got` against `want` sample by sample, within `tolerance`.
inline void expect_samples(const std::vector<double>& got, const std::vector<double>& want, double tolerance = 0.0) {
    ASSERT_EQ(got.size(), want.size());
    for (size_t k = 0; k < got.size(); ++k) ASSERT_NEAR(got[k], want[k], tolerance) << "sample " << k;
}

// The largest magnitude from `from` on, leaving out the last `margin` samples.
inline double peak(const std::vector<double>& samples, size_t from = 0, size_t margin = 0) {
    double top = 0.0;
    for (size_t k = from; k + margin < samples.size(); ++k) top = std::fmax(top, std::fabs(samples[k]));
    return top;
}

// `count` samples of a sine of `period` samples a cycle and amplitude `level`, starting at phase 0.
inline std::vector<double> sine(size_t count, double period, double level = 1.0) {
    std::vector<double> samples(count);
    for (size_t k = 0; k < count; ++k) samples[k] = level * std::sin(2.0 * M_PI * k / period);
    return samples;
}

// The amplitude of the sine of `period` samples a cycle over the last `cycles` whole cycles of
// `samples`: the settled level of a response to that sine.
inline double sine_amplitude(const std::vector<double>& samples, double period, int cycles) {
    const size_t count = size_t(cycles * period);
    double in_phase = 0.0, quadrature = 0.0;
    for (size_t k = samples.size() - count; k < samples.size(); ++k) {
        in_phase += samples[k] * std::sin(2.0 * M_PI * k / period);
        quadrature += samples[k] * std::cos(2.0 * M_PI * k / period);
    }
    return 2.0 * std::hypot(in_phase, quadrature) / double(count);
}

class SynthSlots : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(synth_slots_create()); }
    void TearDown() override { synth_slots_free(); }

    // Renders `builder`'s program, failing the test with the refusal reason if it is refused.
    void render(const ProgramBuilder& builder) {
        ASSERT_TRUE(synth_render_program(builder.program())) << synth_error();
    }
    // Seeds slot 1 with `input`, renders `builder`'s program and returns slot 1.
    std::vector<double> run(const ProgramBuilder& builder, const std::vector<double>& input) {
        load_slot(1, input);
        render(builder);
        return slot(1);
    }
    std::vector<double> slot(int s) const {
        return std::vector<double>(synth_slot_samples(s), synth_slot_samples(s) + synth_slot_length(s));
    }
};
