// libFuzzer target for the module text reader behind soundtrack-build (fuzz_xm_text_input): a
// text that reads but does not make a loadable module stops the run as a crash would.
#include <cstdlib>

#include "tools/fuzz/fuzz_inputs.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (!fuzz_xm_text_input(data, size)) std::abort();
    return 0;
}
