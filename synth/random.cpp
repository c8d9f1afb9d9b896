// The classic C-library linear congruential generator, range 0..32767, so every platform draws
// the same noise and random phases as the instruments were designed with.
#include "synth_state.h"

namespace synth {

static uint32_t rand_state = 0;

void synth_srand(uint32_t seed) { rand_state = seed; }

int synth_rand() {
    rand_state = rand_state * 214013u + 2531011u;  // wraps modulo 2^32
    return static_cast<int>((rand_state >> 16) & 0x7FFFu);
}

}  // namespace synth
