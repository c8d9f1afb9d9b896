// Oscillator helpers: the note phase, a sine measured in turns, the additive cycle-table builder
// and the attack-decay envelope.
#include <cmath>

#include "dsp.h"

namespace synth {

void phase_advance(double frequency_hz) {
    phases[0] = phases[0] + frequency_hz / SAMPLE_RATE;
    phases[0] = phases[0] - std::floor(phases[0]);
}

double sin_turn(double turns) { return std::sin((turns + turns) * PI); }

void additive_table_build(const HarmonicPair list[HARMONIC_COUNT],
                          double table[CYCLE_TABLE_LENGTH]) {
    for (int k = 0; k < CYCLE_TABLE_LENGTH; k++) {
        double v = 0.0;
        for (int j = 1; j < HARMONIC_COUNT; j++) {
            // The clamp acts on the running sum before each harmonic, so the final sum is
            // unclamped.
            v = hard_clip(v);
            double p = j * (k + 1) * 0.0078125;
            v = v + sin_turn(p) * list[j].sin_amp;
            v = v + sin_turn(p + 0.25) * list[j].cos_amp;
        }
        table[k] = v;
    }
}

double attack_decay_envelope(double attack_ms, double decay_ms, double level, double base,
                             double t_samples) {
    double attack = attack_ms * SAMPLES_PER_MS;
    double decay = decay_ms * SAMPLES_PER_MS;
    double t = t_samples;
    if (t < 0.0) return 0.0;
    if (t < attack) return t / attack;
    if (t < attack + decay) return level + (attack + decay - t) * (1.0 - level) / decay;
    // The tail multiplies by `base` every 10000 samples.
    return level * std::pow(base, (t - attack - decay) * 0.0001);
}

}  // namespace synth
