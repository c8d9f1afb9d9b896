// Shared helpers for the synthesizer tests: small programs built step by step, and a fixture that
// gives every test fresh empty sample slots.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <vector>

#include "synth/synth.h"

// Accumulates steps and pool entries in decode order, then hands out a SynthProgram over them.
struct ProgramBuilder {
    std::vector<uint8_t> opcodes, slots, bytes;
    std::vector<float> floats;
    std::vector<int32_t> ints;

    ProgramBuilder& step(int opcode, int slot, std::initializer_list<float> fs = {},
                         std::initializer_list<int> bs = {}) {
        opcodes.push_back(static_cast<uint8_t>(opcode));
        slots.push_back(static_cast<uint8_t>(slot));
        floats.insert(floats.end(), fs.begin(), fs.end());
        for (int b : bs) bytes.push_back(static_cast<uint8_t>(b));
        return *this;
    }
    ProgramBuilder& curve(std::initializer_list<float> points) {
        floats.insert(floats.end(), points.begin(), points.end());
        return *this;
    }
    ProgramBuilder& extra_bytes(std::initializer_list<int> bs) {
        for (int b : bs) bytes.push_back(static_cast<uint8_t>(b));
        return *this;
    }
    ProgramBuilder& extra_ints(std::initializer_list<int32_t> is) {
        ints.insert(ints.end(), is.begin(), is.end());
        return *this;
    }
    SynthProgram program() const {
        return SynthProgram{opcodes.data(), slots.data(), static_cast<int32_t>(opcodes.size()), 6,
                            floats.data(), static_cast<int32_t>(floats.size()), bytes.data(),
                            static_cast<int32_t>(bytes.size()), ints.data(),
                            static_cast<int32_t>(ints.size())};
    }
};

class SynthSlots : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(synth_slots_create()); }
    void TearDown() override { synth_slots_free(); }

    // Renders `builder`'s program, failing the test with the refusal reason if it is refused.
    void render(const ProgramBuilder& builder) {
        const char* reason = nullptr;
        ASSERT_TRUE(synth_render_program(builder.program(), &reason)) << reason;
    }
    std::vector<double> slot(int s) const {
        const double* data = synth_slot_samples(s);
        return data == nullptr ? std::vector<double>() : std::vector<double>(data, data + synth_slot_length(s));
    }
};
