// The frame's values, in the order of the module's fields.
#include "tools/soundtrack_source/soundtrack_frame.h"

#include <cstdint>

namespace {

constexpr uint16_t CHANNELS = 10;
constexpr uint16_t TEMPO = 6;  // ticks per row
constexpr uint16_t BPM = 130;
constexpr int32_t PATTERN_ROWS[] = {64, 64, 16, 16, 16, 64, 64, 64, 64, 64, 64, 96, 56, 16, 64};
constexpr int8_t RELATIVE_NOTE = 29;  // with the finetunes below, C-4 plays the rendered pitch
constexpr uint16_t NO_FADEOUT = 32767;

enum : uint8_t { NO_LOOP = 0, FORWARD_LOOP = 1, PINGPONG_LOOP = 2 };

// An envelope as its points (x in ticks, y 0..64), point count, type, sustain point and loop
// start and end points.
struct EnvelopeFrame {
    EnvelopePoint points[5];
    uint8_t count, type, sustain, loop_start, loop_end;
};

struct InstrumentFrame {
    const char* name;  // also the sample's name
    uint32_t frames;   // sample length
    uint8_t loop;
    uint32_t loop_start, loop_length;  // in frames
    uint8_t volume;
    int8_t finetune;
    uint8_t panning;
    EnvelopeFrame volume_envelope, panning_envelope;
    uint16_t fadeout;  // the file value
};

constexpr EnvelopeFrame FLAT_VOLUME = {{{0, 64}, {32, 64}}, 2, 0, 0, 0, 0};
constexpr EnvelopeFrame CENTRED_PANNING = {{{0, 32}, {32, 32}}, 2, 0, 0, 0, 0};

constexpr InstrumentFrame INSTRUMENTS[] = {
    {"dr_b.wav", 22050, NO_LOOP, 0, 0, 64, -28, 255, FLAT_VOLUME, CENTRED_PANNING, NO_FADEOUT},
    {"dr_hh.wav",
     22050,
     NO_LOOP,
     0,
     0,
     47,
     -28,
     128,
     {{{0, 64}, {20, 20}, {42, 0}}, 3, ENVELOPE_ON, 0, 0, 0},
     CENTRED_PANNING,
     NO_FADEOUT},
    {"zz.wav",
     22050,
     FORWARD_LOOP,
     479,
     18884,
     30,
     0,
     255,
     {{{0, 64}, {11, 62}, {32, 0}}, 3, ENVELOPE_ON, 0, 0, 0},
     {{{0, 32}, {5, 40}, {12, 23}, {25, 33}}, 4, ENVELOPE_ON, 0, 0, 0},
     NO_FADEOUT},
    {"string1.wav",
     26460,
     PINGPONG_LOOP,
     2639,
     14624,
     43,
     4,
     138,
     {{{0, 45}, {13, 25}}, 2, ENVELOPE_ON | ENVELOPE_SUSTAIN, 0, 0, 0},
     {{{0, 32}, {17, 46}, {30, 19}, {49, 31}, {65, 32}}, 5, ENVELOPE_LOOP, 0, 0, 3},
     257},
    {"dr_sn.wav", 22050, NO_LOOP, 0, 0, 31, -28, 134, FLAT_VOLUME, CENTRED_PANNING, NO_FADEOUT},
    {"pad.wav",
     114660,
     PINGPONG_LOOP,
     289,
     114371,
     64,
     3,
     255,
     {{{0, 64}, {8, 25}, {22, 29}, {34, 11}, {48, 30}},
      5,
      ENVELOPE_ON | ENVELOPE_SUSTAIN | ENVELOPE_LOOP,
      0,
      2,
      4},
     {{{0, 32}, {8, 58}, {26, 6}, {41, 32}}, 4, ENVELOPE_ON | ENVELOPE_LOOP, 0, 1, 3},
     225},
};

XmEnvelope envelope(const EnvelopeFrame& frame) {
    XmEnvelope e;
    e.points.assign(frame.points, frame.points + frame.count);
    e.type = frame.type;
    e.sustain = frame.sustain;
    e.loop_start = frame.loop_start;
    e.loop_end = frame.loop_end;
    return e;
}

XmInstrument instrument(const InstrumentFrame& frame) {
    XmInstrument ins;
    ins.name = frame.name;
    ins.volume_envelope = envelope(frame.volume_envelope);
    ins.panning_envelope = envelope(frame.panning_envelope);
    ins.fadeout = frame.fadeout;
    XmSample sample;
    sample.name = frame.name;
    sample.bits = 16;
    sample.frames.assign(frame.frames, 0);
    sample.loop_bits = frame.loop;
    sample.loop_start = frame.loop_start;
    sample.loop_length = frame.loop_length;
    sample.volume = frame.volume;
    sample.finetune = frame.finetune;
    sample.panning = frame.panning;
    sample.relative_note = RELATIVE_NOTE;
    ins.samples.push_back(sample);
    return ins;
}

}  // namespace

XmModule soundtrack_frame() {
    XmModule module;
    module.name = "Quadrise";
    module.tracker = "quadrise soundtrack";
    module.channel_count = CHANNELS;
    module.flags = SONG_LINEAR_FREQUENCIES;
    module.tempo = TEMPO;
    module.bpm = BPM;
    module.restart_position = 0;
    module.orders.clear();
    for (int32_t rows : PATTERN_ROWS) module.patterns.push_back(xm_empty_pattern(module, rows));
    for (const InstrumentFrame& frame : INSTRUMENTS)
        module.instruments.push_back(instrument(frame));
    return module;
}
