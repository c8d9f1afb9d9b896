// Slot processing: modules that build a slot from slots that already hold sound. They read the
// slots as they were before the step (all output goes to the work slot until the step ends).
// The sequencer, the equaliser and the grain cloud have files of their own.
#include "dsp.h"
#include "module_support.h"
#include "modules.h"
#include "synth_state.h"

namespace synth {

// Opcode 8: a copy of slot bparam[0].
void slot_copy() { out = slot_sample(bparam[0], sample_index); }

// Opcode 9: up to eight slots, each scaled by its float; a zero byte leaves its entry out.
void slot_mix() {
    out = 0.0;
    for (int k = 0; k < MAX_BYTE_PARAMS; ++k) {
        if (bparam[k] != 0) out += fparam[k] * slot_sample(bparam[k], sample_index);
    }
}

// Opcode 21: reads the target at a position bent by the modulator slot bparam[0], ring-modulates
// it with the modulator and shapes it with one envelope. The read position is note_phase, in
// samples.
void cross_modulator() {
    const double env = attack_decay_envelope(fparam[4], fparam[5], fparam[6], fparam[7],
                                             static_cast<double>(sample_index));
    const double m = slot_read(bparam[0], static_cast<double>(sample_index));
    in = m;
    const double position_amount =
        fparam[1] < 0.0 ? 1.0 + fparam[1] * env : 1.0 - fparam[1] + fparam[1] * env;
    // The position advances before the read, so sample 0 already reads one sample ahead.
    phases[0] += 1.0 + 20.0 * fparam[0] * m * position_amount;
    const double y = slot_read(step_slot, phases[0]);
    const double ring_amount = 1.0 - fparam[3] + fparam[3] * env;
    const double z = (1.0 - ring_amount * fparam[2]) * y + ring_amount * fparam[2] * y * m;
    const double amplitude = 1.0 - fparam[8] + fparam[8] * env;
    out = fparam[9] * z * amplitude;
}

// Opcode 24: plays the target at a speed of 1 plus fparam[0] times curve1 over the step's
// progress; note_phase is the read position in samples.
void varispeed_read() {
    out = hard_clip(slot_read(step_slot, phases[0]));
    const double progress = static_cast<double>(sample_index) / static_cast<double>(step_length);
    phases[0] += 1.0 + fparam[0] * curve_linear(progress, curve1);
}

// Opcode 27: the target backwards.
void slot_reverse() { out = slot_sample(step_slot, int64_t{step_length} - 1 - sample_index); }

// Opcode 29: samples first..last of the target (its two ints), silence outside the slot.
void slot_crop() { out = slot_sample(step_slot, int64_t{iparam[0]} + sample_index); }

}  // namespace synth
