// Opcode 22, the grain cloud: up to six short grains of the target slot, each with random gain,
// envelope, read speed, glide and start, spawned at random intervals.
#include <cmath>

#include "dsp.h"
#include "module_support.h"
#include "modules.h"
#include "synth_state.h"

namespace synth {

constexpr int GRAIN_COUNT = 6;

struct Grain {
    uint8_t active;
    double gain;
    double attack_ms;
    double decay_ms;
    double rate;
    double glide;
    double remaining;  // samples left
    double start;      // position in the source slot
};

static Grain grains[GRAIN_COUNT];
static int32_t spawn_countdown;

void grain_cloud_clear() {
    for (Grain& grain : grains) grain = Grain{};
    spawn_countdown = 0;
}

// Spawn interval in samples, truncated (validation keeps it within an int); a zero interval waits
// one sample. A negative one never counts down to 0 again, so no further grain spawns.
static int32_t spawn_interval() {
    const int32_t interval =
        static_cast<int32_t>(rand_range(fparam[9], fparam[10]) * SAMPLES_PER_MS);
    return interval == 0 ? 1 : interval;
}

static void spawn_grain(Grain& grain) {
    const double n = slot_length[step_slot];
    grain.active = 1;
    grain.gain = rand_range(fparam[11], fparam[12]);
    grain.attack_ms = rand_range(fparam[1], fparam[2]) + 0.01;
    grain.decay_ms = rand_range(fparam[3], fparam[4]) + 0.01;
    grain.rate = std::pow(2.0, rand_range(fparam[5], fparam[6]));
    grain.glide = std::pow(2.0, rand_range(fparam[7], fparam[8]));
    const double grain_length = (grain.decay_ms + grain.attack_ms) * SAMPLES_PER_MS;
    grain.remaining = grain_length;
    const double span = grain_length * (grain.rate + 0.5 * grain.glide);
    const double u = rand_range(0.0, n - span - 2.0);
    const double scan_start = (n - span - 2.0) * fparam[13] * sample_index / (fparam[0] * 44100.0);
    grain.start = u * (1.0 - fparam[13]) + scan_start;
    // A grain that would start before the slot is dropped.
    if (grain.start < 0.0) grain.active = 0;
}

static void spawn_when_due() {
    if (spawn_countdown != 0) return;
    for (Grain& grain : grains) {
        if (grain.active == 0) {
            spawn_grain(grain);
            break;
        }
    }
    spawn_countdown = spawn_interval();
}

// One grain's sample; its read speed starts at rate and rises linearly by glide over its length.
static double grain_sample(Grain& grain) {
    const double grain_length = (grain.attack_ms + grain.decay_ms) * SAMPLES_PER_MS;
    const double elapsed = grain_length - grain.remaining;
    const double pos =
        ((1.0 - grain.remaining / grain_length) * grain.glide + grain.rate) * elapsed + grain.start;
    const double v = slot_read(step_slot, pos) *
                     attack_decay_envelope(grain.attack_ms, grain.decay_ms, 0.0, 0.0, elapsed);
    grain.remaining = grain.remaining - 1.0;
    return grain.gain * v;
}

void grain_cloud() {
    spawn_when_due();
    spawn_countdown = spawn_countdown - 1;
    out = 0.0;
    for (Grain& grain : grains) {
        if (grain.remaining < 0.0) grain.active = 0;
        if (grain.active != 0) out += grain_sample(grain);
    }
    out = fparam[14] * out;
}

}  // namespace synth
