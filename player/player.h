// The module player: stream callbacks, the loaded-module records, the XM loader and the row and
// tick engine that drives the mixer's voices. Portable: no platform or device headers.
//
// Where it goes beyond the classic playback rules on purpose, so that no file can crash it or
// run it into overflow (each rule is explained where it happens):
// - the loader checks every read and count and refuses a broken file with one line saying why
//   (music_load_error); more than 32 channels, 256 orders or patterns, 256 rows or 128
//   instruments are refused;
// - header tempo and BPM above 255 are capped at 255 (what the effect column can set), 0 means
//   the format's default; a restart position beyond the order list restarts at order 0;
// - an effect number beyond Z is no effect; sustain and loop points beyond an envelope's points
//   switch that feature off; a sample loop starting beyond the sample is dropped, one running
//   past its end is clipped to it;
// - periods stay within +-PERIOD_LIMIT, and a voice's step is capped just below 128 x mix_rate
//   frames per second, so that slides without end cannot overflow and the mixer's boundary
//   count always fits;
// - X1y and X2y with y = 0 slide by their remembered amounts, as E1y and E2y do.
#pragma once

#include <cstdint>

// ---- Stream callbacks -------------------------------------------------------------------------
// The player reads modules only through these five operations, registered by the application.
typedef void* (*FileOpenFn)(const char* name);
typedef void (*FileCloseFn)(void* stream);
typedef int32_t (*FileReadFn)(void* destination, int32_t count, void* stream);
typedef void* (*FileSeekFn)(void* stream, int32_t offset, int32_t origin);  // 0 set, 1 cur, 2 end
typedef int32_t (*FileTellFn)(void* stream);

// All five non-null replace the registered set; otherwise all five become null.
void music_set_file_callbacks(FileOpenFn open, FileCloseFn close, FileReadFn read, FileSeekFn seek,
                              FileTellFn tell);
// True when all five callbacks are registered.
bool music_file_callbacks_set();

// The application's callbacks: a read-only stream over an embedded resource of type "MUSIC".
void* resource_open(const char* name);
void resource_close(void* stream);
int32_t resource_read(void* destination, int32_t count, void* stream);
void* resource_seek(void* stream, int32_t offset, int32_t origin);
int32_t resource_tell(void* stream);

// Callbacks over files on disk (name = path), for tools and tests.
void* file_open(const char* path);
void file_close(void* stream);
int32_t file_read(void* destination, int32_t count, void* stream);
void* file_seek(void* stream, int32_t offset, int32_t origin);
int32_t file_tell(void* stream);

// ---- Song data model --------------------------------------------------------------------------
enum : uint8_t { LOOP_NONE = 1, LOOP_FORWARD = 2, LOOP_PINGPONG = 4 };

enum : uint8_t {
    UPDATE_FREQUENCY = 1,
    UPDATE_VOLUME = 2,
    UPDATE_PANNING = 4,
    UPDATE_TRIGGER = 8,
    UPDATE_RESTART = 0x20,
};

constexpr int MAX_CHANNELS = 32;
constexpr uint8_t NOTE_KEY_OFF = 255;

struct NoteCell {
    uint8_t note;        // 0 none, 1..96 (1 = C-0), 255 key-off
    uint8_t instrument;  // 0 none, 1..128
    uint8_t volume;      // volume-column byte, 0 none
    uint8_t effect;      // 0..35 (0..9, A = 10 .. Z = 35), see Effect
    uint8_t param;
};

// The effect column's numbers: 0..9 as written, then letter A = 10 .. Z = 35. Only the effects
// the engine plays are named; every other number does nothing.
enum Effect : uint8_t {
    EFFECT_ARPEGGIO = 0x0,             // 0xy
    EFFECT_PORTA_UP = 0x1,             // 1xx
    EFFECT_PORTA_DOWN = 0x2,           // 2xx
    EFFECT_TONE_PORTA = 0x3,           // 3xx
    EFFECT_VIBRATO = 0x4,              // 4xy
    EFFECT_TONE_PORTA_VOLSLIDE = 0x5,  // 5xy
    EFFECT_VIBRATO_VOLSLIDE = 0x6,     // 6xy
    EFFECT_TREMOLO = 0x7,              // 7xy
    EFFECT_SET_PANNING = 0x8,          // 8xx
    EFFECT_SAMPLE_OFFSET = 0x9,        // 9xx
    EFFECT_VOLUME_SLIDE = 0xA,         // Axy
    EFFECT_POSITION_JUMP = 0xB,        // Bxx
    EFFECT_SET_VOLUME = 0xC,           // Cxx
    EFFECT_PATTERN_BREAK = 0xD,        // Dxy
    EFFECT_EXTENDED = 0xE,             // Exy, by x
    EFFECT_SPEED = 0xF,                // Fxx: speed below 32, BPM from 32
    EFFECT_GLOBAL_VOLUME = 16,         // Gxx
    EFFECT_GLOBAL_VOLUME_SLIDE = 17,   // Hxy
    EFFECT_KEY_OFF = 20,               // Kxx
    EFFECT_ENVELOPE_POSITION = 21,     // Lxx
    EFFECT_PANNING_SLIDE = 25,         // Pxy
    EFFECT_RETRIGGER = 27,             // Rxy
    EFFECT_TREMOR = 29,                // Txy
    EFFECT_EXTRA_FINE_PORTA = 33,      // X1y up, X2y down
};

struct Pattern {
    int32_t rows;
    NoteCell* cells;  // rows x channel_count, row-major
};

struct EnvelopePoint {
    uint16_t x;  // tick
    uint16_t y;  // 0..64
};

struct SampleHeader {
    int16_t* data;  // length frames + 8 zeroed guard frames; null when length is 0
    uint32_t length;
    uint32_t loop_start;
    uint32_t loop_length;
    uint8_t volume;
    int8_t finetune;
    int32_t panning;
    uint8_t bits;
    uint8_t loop_type;
    int8_t relative_note;
};

// The bits of an envelope's type (vol_type, pan_type).
enum : uint8_t { ENVELOPE_ON = 1, ENVELOPE_SUSTAIN = 2, ENVELOPE_LOOP = 4 };

struct Instrument {
    int32_t sample_count;
    SampleHeader* samples[16];
    uint8_t keymap[96];
    EnvelopePoint vol_env[20];
    EnvelopePoint pan_env[20];
    uint8_t vol_point_count, pan_point_count;
    uint8_t vol_sustain, vol_loop_start, vol_loop_end;
    uint8_t pan_sustain, pan_loop_start, pan_loop_end;
    uint8_t vol_type, pan_type;  // ENVELOPE_ON | ENVELOPE_SUSTAIN | ENVELOPE_LOOP
    uint8_t vibrato_type;
    uint8_t vibrato_sweep;
    uint8_t vibrato_depth;
    uint8_t vibrato_rate;
    uint16_t fadeout;  // twice the file value
};

struct Song;
typedef void (*TickCallback)(Song* song);
// (frame buffer, byte count, bits, instrument index, sample index) -> ignored
typedef int (*SampleLoadCallback)(int16_t* dest, int byte_length, int bits, int instrument,
                                  int sample_number);

// The song flag that selects the linear frequency table; without it the Amiga table.
constexpr uint16_t SONG_LINEAR_FREQUENCIES = 1;

struct Song {
    Pattern* patterns;
    Instrument* instruments;
    int32_t tick_frames_left;
    int32_t tick_frames;
    int16_t song_length;
    int16_t restart_position;
    int16_t channel_count;
    int32_t used_patterns;
    int32_t pattern_count;
    int16_t instrument_count;
    uint16_t song_flags;  // SONG_LINEAR_FREQUENCIES
    int16_t default_tempo;
    int16_t default_bpm;
    uint8_t order_table[256];
    uint8_t initial_global_volume;
    int32_t global_volume;
    uint8_t global_slide_memory;
    int32_t tick;
    int32_t speed;
    int32_t bpm;
    int32_t row;
    int32_t order_pos;
    int32_t pattern_delay_ticks;
    int32_t next_row;
    int32_t next_order;
    int32_t time_ms;
    TickCallback tick_callback;
    SampleLoadCallback sample_load_callback;
};

// ---- Mixer voices -----------------------------------------------------------------------------
// The records the mixer plays; written by the voice update, read and advanced by mix_voices.
// Voices 0..31 belong to the channels, 32..63 are their twins for fade-outs.
struct Voice {
    int32_t index;
    int32_t volume_copy;
    int32_t frequency;
    int32_t panning_copy;
    int32_t volume;
    int32_t panning;
    uint32_t start_offset;
    SampleHeader* sample;  // null: idle
    int32_t level_left;
    int32_t level_right;
    int32_t pos;
    uint32_t pos_frac;
    uint32_t step_frac;
    int32_t step;
    int32_t direction;  // 1 forward, 2 backward
    int32_t ramp_left_target, ramp_right_target;
    int32_t cur_left, cur_right;  // level x 256
    float ramp_left_inc, ramp_right_inc;
    int32_t ramp_frames_left;
};

constexpr int VOICE_COUNT = 256;
constexpr int32_t TWIN_OFFSET = 32;                // voice v's twin is v + 32, and back
constexpr int32_t MIXED_VOICES = 2 * TWIN_OFFSET;  // the voices mix_voices plays: 0..63
extern Voice voices[VOICE_COUNT];

// Output frames per second; read by set_bpm and the voice update.
extern int32_t mix_rate;

// The Song the block renderer plays (set by playback_prepare; null when stopped), and how
// music_free stops that playback before it frees the Song: playback_prepare puts the release of
// the ring here (offline playback holds nothing else) and music_play its music_stop, because the
// mixing thread and the device must end first.
extern Song* playing_song;
extern bool (*playback_stop)(Song* song);

// ---- Loader -----------------------------------------------------------------------------------
// Why the last load failed, as one line a tool can print ("truncated at byte 1234", ...).
const char* music_load_error();

Song* music_load(const char* name, SampleLoadCallback callback);
bool music_free(Song* song);

// ---- Engine -----------------------------------------------------------------------------------
void song_tick(Song* song);
void set_bpm(Song* song, int32_t bpm);
// Puts the Song back at its start for a new playback: order 0, row 0, its default speed, BPM and
// global volume, time 0, and each of its channels cleared and playing its own voice.
void song_rewind(Song* song);
// True while a pattern loop (E6x) counts on any of the Song's channels.
bool song_pattern_loop_active(const Song* song);
