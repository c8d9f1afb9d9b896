// The kept fuzzing corpora replayed through the fuzz targets' own input runs: what fuzzing found
// stays found in every test run, under the sanitizers too (scripts/fuzz.sh --minutes N adds to
// them).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "tools/fuzz/fuzz_inputs.h"

namespace {

std::vector<std::vector<uint8_t>> corpus(const char* target) {
    // From tests/tools/fuzz/ to tests/data/fuzz/<target>.
    const std::filesystem::path folder =
        std::filesystem::path(__FILE__).parent_path() / ".." / ".." / "data" / "fuzz" / target;
    std::vector<std::vector<uint8_t>> inputs;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        std::ifstream file(entry.path(), std::ios::binary);
        inputs.emplace_back(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }
    return inputs;
}

TEST(FuzzCorpus, EveryKeptModuleLoadsOrIsRefusedAndPlaysWithinBounds) {
    const std::vector<std::vector<uint8_t>> inputs = corpus("load_xm");
    EXPECT_GT(inputs.size(), 100u);
    size_t loaded = 0;
    for (const std::vector<uint8_t>& input : inputs) loaded += fuzz_load_xm_input(input.data(), input.size());
    EXPECT_GT(loaded, inputs.size() / 2);  // most reach the engine, not only the loader's refusals
}

TEST(FuzzCorpus, EveryKeptModuleTextThatReadsMakesAModuleThatLoads) {
    const std::vector<std::vector<uint8_t>> inputs = corpus("xm_text");
    EXPECT_GT(inputs.size(), 10u);
    for (size_t k = 0; k < inputs.size(); ++k)
        EXPECT_TRUE(fuzz_xm_text_input(inputs[k].data(), inputs[k].size())) << "input " << k;
}

}  // namespace
