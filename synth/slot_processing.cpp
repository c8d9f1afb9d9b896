// Slot processing: modules that build a slot from slots that already hold sound.
#include "synth_state.h"

void pattern_sequencer_setup() {}
double pattern_sequencer_row_samples() { return 0.0; }
void pattern_sequencer() {}
void slot_copy() {}
void slot_mix() {}
void graphic_eq_design() {}
void graphic_eq() {}
void cross_modulator() {}
void grain_cloud_clear() {}
void grain_cloud() {}
void varispeed_read() {}
void slot_reverse() {}
void slot_crop() {}
