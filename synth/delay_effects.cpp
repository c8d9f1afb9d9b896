// Delay-line effects: chorus, flanger and two reverbs over the shared delay lines.
#include "synth_state.h"

void chorus() {}
void flanger() {}
void comb_reverb() {}
void delay_network_reverb() {}
void delay_network_reverb_write() {}
