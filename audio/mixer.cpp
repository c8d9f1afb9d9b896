// The software mixer: linear interpolation of every active voice into a float stereo span, with
// 32.32 fixed-point positions, exact loop boundaries and 128-frame volume ramps, and the
// conversion of the span to 16-bit PCM.
//
// Where it goes beyond the classic rules on purpose, so that no voice reads outside its sample:
// - a voice whose sample has no data, a loop reaching past the sample's end, or a position past
//   the sample's length falls silent instead of being read;
// - the frames to the next boundary are counted exactly in 64 bits, for any distance and step;
// - a ping-pong step longer than the loop folds the position back between the loop ends at once.
#include <cmath>
#include <cstdint>
#include <cstring>

#include "audio/audio.h"

// GCC builds a function twice, for a wider instruction set and for the baseline, and picks one
// when the program loads; other compilers (the clang fuzz build) build the baseline alone, and so
// does a ThreadSanitizer build, whose instrumented picker would run before the sanitizer is ready,
// and a Windows build, whose executable format has no load-time picker (ifunc).
#if defined(__GNUC__) && !defined(__clang__) && !defined(__SANITIZE_THREAD__) && !defined(_WIN32)
#define CLONES_FOR(wide, baseline) __attribute__((target_clones(wide, baseline)))
#else
#define CLONES_FOR(wide, baseline)
#endif

constexpr float LEVEL_SCALE = 1.0f / 255.0f;           // a level L plays at gain L / 255
constexpr double FRACTION_SCALE = 1.0 / 2147483648.0;  // 31 fraction bits -> [0, 1)
constexpr int64_t ZERO_STEP_COUNT = 0x017C6F8C;  // a halted voice still counts to its boundary

// Working values of the voice being mixed (the mixer is not reentrant).
static const int16_t* data;
static int64_t position;  // 32.32
static int64_t step;      // 32.32, negative when moving backward

static int64_t to_fixed(uint64_t frames) { return static_cast<int64_t>(frames << 32); }

static int64_t loop_end(const SampleHeader* sample) {
    return to_fixed(uint64_t{sample->loop_start} + sample->loop_length);
}

// A voice whose sample has no data, a loop beyond its end, or a position outside it cannot be
// read safely; it falls silent instead.
static bool playable(const Voice* voice) {
    const SampleHeader* sample = voice->sample;
    if (!sample->data) return false;
    if (uint64_t{sample->loop_start} + sample->loop_length > sample->length) return false;
    return voice->pos >= 0 && static_cast<uint32_t>(voice->pos) <= sample->length;
}

static void stop_voice(Voice* voice) {
    voice->sample = nullptr;
    voice->pos = 0;
    voice->pos_frac = 0;
}

static void store_position(Voice* voice) {
    voice->pos = static_cast<int32_t>(position >> 32);
    voice->pos_frac = static_cast<uint32_t>(position);
}

// Frames until the position reaches the next boundary: the exact ceiling of distance / step in
// one 64-bit division, for any distance. (A quotient of values cut to 24.8 bits can count one
// frame too many, reading past the boundary, or none before it; a 32-bit count overflows for long
// samples near the 100 Hz floor; and a distance left uncounted from 2^24 frames on would let a
// very high step run past the end of a long sample within one block.)
static int64_t frames_to_boundary(const Voice* voice) {
    const SampleHeader* sample = voice->sample;
    int64_t distance;
    if (voice->direction == 1) {
        int64_t end = loop_end(sample);
        // Past the loop end (an offset beyond it), the sample plays on to its length.
        if (position >> 32 > end >> 32) end = to_fixed(sample->length);
        distance = end - position;
    } else {
        distance = position - to_fixed(sample->loop_start);
    }
    // Already beyond the boundary (never in normal play): pass it at once rather than run on.
    if (distance < 0) return 0;
    uint64_t speed = static_cast<uint64_t>(step < 0 ? -step : step);
    if (speed == 0) speed = ZERO_STEP_COUNT;
    uint64_t span = static_cast<uint64_t>(distance);
    return static_cast<int64_t>((span + speed - 1) / speed);
}

// Ramp planning: returns the frames left in the ramp (0 = steady levels) and its increments.
static int32_t plan_ramp(Voice* voice, float* inc_left, float* inc_right) {
    if (voice->ramp_frames_left != 0 && voice->level_left == voice->ramp_left_target &&
        voice->level_right == voice->ramp_right_target) {
        *inc_left = voice->ramp_left_inc;
        *inc_right = voice->ramp_right_inc;
        return voice->ramp_frames_left;
    }
    int32_t ramp = 0;
    voice->ramp_left_target = voice->level_left;
    voice->ramp_right_target = voice->level_right;
    int32_t c_left = static_cast<int32_t>(static_cast<uint32_t>(voice->cur_left) >> 8);
    int32_t c_right = static_cast<int32_t>(static_cast<uint32_t>(voice->cur_right) >> 8);
    double per_frame = static_cast<double>(LEVEL_SCALE) * static_cast<double>(ramp_step);
    // A side already at its level keeps still; its stored increment becomes 0 too, so that a ramp
    // continued in a later segment cannot drive it away from the level it sits at.
    *inc_left = static_cast<float>((voice->level_left - c_left) * per_frame);
    *inc_right = static_cast<float>((voice->level_right - c_right) * per_frame);
    if (voice->level_left != c_left || voice->level_right != c_right) ramp = ramp_frames;
    voice->ramp_left_inc = *inc_left;
    voice->ramp_right_inc = *inc_right;
    return ramp;
}

// The interpolated sample D[i] + ((f >> 1) x 2^-31) x (D[i+1] - D[i]), times 2^31: formed
// exactly in integers (at most 49 bits), so its one conversion to double is exact. The factor
// 2^-31 travels with the gains; scaling by a power of two leaves every product's rounding as is.
static double sample_at(const int16_t* d, int64_t p) {
    int64_t i = p >> 32;
    int64_t f = static_cast<uint32_t>(p) >> 1;
    int64_t s0 = d[i];
    return static_cast<double>(s0 * (int64_t{1} << 31) + f * (d[i + 1] - s0));
}

// The two sides of a frame side by side: the left and right sums are formed lane by lane with
// exactly the scalar roundings (double product and sum, stored as float).
typedef double StereoD __attribute__((vector_size(16)));
typedef float StereoF __attribute__((vector_size(8)));

static StereoD stereo_gains(float left, float right) {
    return StereoD{static_cast<double>(left), static_cast<double>(right)} * FRACTION_SCALE;
}

static void add_frame(float* out, double s, StereoD gains) {
    StereoF sum;
    std::memcpy(&sum, out, sizeof sum);
    StereoD mixed = __builtin_convertvector(sum, StereoD) + s * gains;
    sum = __builtin_convertvector(mixed, StereoF);
    std::memcpy(out, &sum, sizeof sum);
}

// Two stereo frames as four lanes (left, right, left, right): each lane is formed exactly as
// one side of add_frame, so the wider vector changes no rounding.
typedef double FramePairD __attribute__((vector_size(32)));
typedef float FramePairF __attribute__((vector_size(16)));

// The span is widened element by element: that compiles to one conversion straight from memory,
// where converting a loaded vector is split into halves.
static void add_frame_pair(float* out, double s0, double s1, const FramePairD& gains) {
    FramePairD sum = {out[0], out[1], out[2], out[3]};
    FramePairD samples = {s0, s0, s1, s1};
    FramePairF mixed = __builtin_convertvector(sum + samples * gains, FramePairF);
    std::memcpy(out, &mixed, sizeof mixed);
}

// The steady loop, built twice: with AVX the four lanes are one 256-bit operation, elsewhere two
// 128-bit ones; the same IEEE operations either way, so both give the same bits. The gains come
// as floats because a 256-bit argument would differ between the two calling conventions.
CLONES_FOR("avx", "default")
static void mix_frame_pairs(float* out, int32_t pairs, const int16_t* d, int64_t p, int64_t st,
                            float gain_left, float gain_right) {
    StereoD g = stereo_gains(gain_left, gain_right);
    FramePairD gains = {g[0], g[1], g[0], g[1]};
    for (int32_t k = pairs; k > 0; --k, out += 4, p += 2 * st) {
        add_frame_pair(out, sample_at(d, p), sample_at(d, p + st), gains);
    }
}

// Constant gains, two frames per iteration; an odd last frame plays at the current gains.
static void mix_steady(float* out, int32_t n, const Voice* voice) {
    float gain_left = static_cast<float>(voice->level_left) * LEVEL_SCALE;
    float gain_right = static_cast<float>(voice->level_right) * LEVEL_SCALE;
    if (gain_left == 0.0f && gain_right == 0.0f && voice->cur_left == 0 && voice->cur_right == 0) {
        // A silent voice adds nothing: only its position moves, exactly as frame by frame.
        position += step * n;
        return;
    }
    const int32_t pairs = n >> 1;
    mix_frame_pairs(out, pairs, data, position, step, gain_left, gain_right);
    int64_t p = position + 2 * step * pairs;
    if (n & 1) {
        float cur_gain_left = static_cast<float>(voice->cur_left) * (1.0f / 256.0f) * LEVEL_SCALE;
        float cur_gain_right = static_cast<float>(voice->cur_right) * (1.0f / 256.0f) * LEVEL_SCALE;
        add_frame(out + 4 * pairs, sample_at(data, p), stereo_gains(cur_gain_left, cur_gain_right));
        p += step;
    }
    position = p;
}

// Gains moving by their increments after every frame; the reached levels are kept x 256.
static void mix_ramp(float* out, int32_t n, Voice* voice, float inc_left, float inc_right) {
    float gain_left = static_cast<float>(voice->cur_left) * (1.0f / 256.0f) * LEVEL_SCALE;
    float gain_right = static_cast<float>(voice->cur_right) * (1.0f / 256.0f) * LEVEL_SCALE;
    const int16_t* d = data;
    int64_t p = position;
    for (int32_t k = 0; k < n; ++k, out += 2, p += step) {
        add_frame(out, sample_at(d, p), stereo_gains(gain_left, gain_right));
        gain_left += inc_left;
        gain_right += inc_right;
    }
    position = p;
    voice->cur_left = static_cast<int32_t>(std::lrint(gain_left * 255.0 * 256.0));
    voice->cur_right = static_cast<int32_t>(std::lrint(gain_right * 255.0 * 256.0));
    voice->ramp_frames_left -= n;
    if (voice->ramp_frames_left == 0) {
        voice->ramp_left_inc = 0.0f;
        voice->ramp_right_inc = 0.0f;
        voice->cur_left = voice->level_left * 256;
        voice->cur_right = voice->level_right * 256;
    }
}

static int64_t reflect(int64_t mirror) { return 2 * mirror - position - 1; }

// Unrolled, ping-pong play is a forward walk around a circle of twice the loop length: the
// first half moves forward through the loop, the second half backward.
static void fold_into_loop(Voice* voice, int64_t start, int64_t end) {
    int64_t length = end - start;
    int64_t u = position - start;
    int64_t w = (voice->direction == 1 ? u : 2 * length - 1 - u) % (2 * length);
    if (w < 0) w += 2 * length;
    voice->direction = w < length ? 1 : 2;
    position = start + (w < length ? w : 2 * length - 1 - w);
}

// Ping-pong: turn at the end passed, and at the other end too if the turn passed that one.
static void reflect_in_loop(Voice* voice) {
    int64_t start = to_fixed(voice->sample->loop_start);
    int64_t end = loop_end(voice->sample);
    if (voice->direction == 1) {
        position = reflect(end);
        voice->direction = 2;
        if (position < start) {
            position = reflect(start);
            voice->direction = 1;
        }
    } else {
        position = reflect(start);
        voice->direction = 1;
        if (position >= end) {
            position = reflect(end);
            voice->direction = 2;
        }
    }
    // A step longer than the loop can pass both ends again (a turn at the start lands one unit
    // below it, which is still readable): fold the position back between them at once.
    if (position < start - 1 || position >= end) fold_into_loop(voice, start, end);
    // A turn exactly at frame 0 would land a hair before the data; it starts at frame 0 instead.
    if (position < 0) position = 0;
}

// At a boundary: wrap, reflect or stop. False when the voice stopped.
static bool pass_boundary(Voice* voice) {
    const SampleHeader* sample = voice->sample;
    if ((sample->loop_type & LOOP_FORWARD) && sample->loop_length > 0) {
        uint32_t end = sample->loop_start + sample->loop_length;
        uint64_t over = static_cast<uint32_t>(position >> 32);
        if (over >= end) {
            uint64_t wraps = (over - sample->loop_start) / sample->loop_length;
            position -= to_fixed(wraps * sample->loop_length);
        }
        return true;
    }
    if ((sample->loop_type & LOOP_PINGPONG) && sample->loop_length > 0) {
        reflect_in_loop(voice);
        return true;
    }
    stop_voice(voice);
    return false;
}

static void mix_voice(Voice* voice, float* out, int32_t remaining) {
    data = voice->sample->data;
    position = (static_cast<int64_t>(voice->pos) << 32) | voice->pos_frac;
    int64_t forward = (static_cast<int64_t>(voice->step) << 32) | voice->step_frac;
    step = voice->direction == 1 ? forward : -forward;
    while (remaining > 0) {
        if (!playable(voice)) {
            stop_voice(voice);
            return;
        }
        int32_t n = remaining;
        bool hit_end = false;
        int64_t count = frames_to_boundary(voice);
        if (count <= n) {
            n = static_cast<int32_t>(count);
            hit_end = true;
        }
        float inc_left = 0.0f, inc_right = 0.0f;
        int32_t ramp = plan_ramp(voice, &inc_left, &inc_right);
        bool ramp_cut = false;
        if (ramp > 0) {
            voice->ramp_frames_left = ramp;
            if (n > ramp) {
                n = ramp;
                ramp_cut = true;
                hit_end = false;
            }
            mix_ramp(out, n, voice, inc_left, inc_right);
        } else {
            mix_steady(out, n, voice);
        }
        out += 2 * n;
        remaining -= n;
        if (hit_end && !pass_boundary(voice)) return;
        store_position(voice);
        if (!hit_end && !ramp_cut) return;
        // A new segment after a boundary or a finished ramp moves forward or back by the
        // direction the voice has now.
        step = voice->direction == 1 ? forward : -forward;
    }
}

void mix_voices(float* span, int frames) {
    if (frames <= 0 || !span) return;
    for (int v = 0; v < MIXED_VOICES; ++v) {
        if (voices[v].sample) mix_voice(&voices[v], span, frames);
    }
}

// Built twice as well: the AVX2 clone converts, clips and narrows eight values per step.
CLONES_FOR("avx2", "default")
void float_to_pcm16(int16_t* destination, const float* source, int frames) {
    if (frames <= 0 || !destination || !source) return;
    constexpr float ROUNDER =
        12582912.0f;  // 1.5 x 2^23: adding it rounds to an integer, ties to even
    for (int k = 0; k < 2 * frames; ++k) {
        float rounded =
            (source[k] + ROUNDER) - ROUNDER;  // exact below 2^22; beyond, clipped anyway
        // Clip to 16 bits (a NaN becomes -32768), so the conversion below is always defined.
        float x = rounded > -32768.0f ? rounded : -32768.0f;
        x = x < 32767.0f ? x : 32767.0f;
        destination[k] = static_cast<int16_t>(static_cast<int32_t>(x));
    }
}
