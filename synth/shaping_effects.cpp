// Shaping, dynamics and filter effects: in-place modules that reshape a rendered slot.
#include "synth_state.h"

void nonlinear_resonator() {}
void band_compressor() {}
void band_waveshaper() {}
void gain_envelope() {}
void swept_filter() {}
void polarity_invert() { out = -in; }
void normalise() {}
void normalise_scan() {}
