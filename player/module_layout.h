// module_layout.h — the packed MXM module layout: every offset and size in one place,
// and the little-endian readers and writers that all code touching module bytes uses.
//
// A module is one image: a HEADER_BYTES header (fields, channel panning, order list,
// then three tables of u32 offsets from the first byte of the image), the instrument
// records (a head of INSTRUMENT_HEAD_BYTES followed by SAMPLE_RECORD_BYTES per sample),
// the pattern streams, and the sample block (all 8-bit points, then all 16-bit points).
// HDR_* are offsets from the image's first byte; INS_*, ENV_*, SMP_* and PATTERN_*
// are offsets from the first byte of their record.
//
//   uint32_t at = mxm::read32(module + mxm::instrumentEntryAt(n - 1));  // instrument n
//   uint16_t fadeOut = mxm::read16(module + at + mxm::INS_FADE_OUT);
//
// Units: bytes. Header-only and standalone, so writers of modules can use it without
// the player.
#pragma once

#include <cstdint>

namespace mxm {

// --- Little-endian, unaligned reads and writes.
inline uint16_t read16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t read32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}
inline void write16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
inline void write32(uint8_t* p, uint32_t v) {
    write16(p, static_cast<uint16_t>(v));
    write16(p + 2, static_cast<uint16_t>(v >> 16));
}

// --- Limits.
constexpr int MAX_CHANNELS = 32;
constexpr uint32_t MAX_ORDERS = 256;
constexpr uint32_t MAX_PATTERNS = 256;
constexpr uint32_t MAX_ROWS = 256;
constexpr uint32_t MAX_INSTRUMENTS = 128;
constexpr uint32_t MAX_SAMPLES = 2048;
constexpr uint32_t NOTES = 96;  // entries of an instrument's note-to-sample map

// --- Header.
constexpr uint32_t MODULE_MAGIC = 0x004D584Du;  // "MXM", 0
constexpr uint32_t HEADER_BYTES = 10064;

constexpr uint32_t HDR_MAGIC = 0;
constexpr uint32_t HDR_SONG_LENGTH = 4;        // u32, 1..MAX_ORDERS
constexpr uint32_t HDR_RESTART_ORDER = 8;      // u32
constexpr uint32_t HDR_CHANNEL_COUNT = 12;     // u32, 1..MAX_CHANNELS
constexpr uint32_t HDR_PATTERN_COUNT = 16;     // u32
constexpr uint32_t HDR_INSTRUMENT_COUNT = 20;  // u32, 1..MAX_INSTRUMENTS
constexpr uint32_t HDR_INITIAL_SPEED = 24;     // u8
constexpr uint32_t HDR_INITIAL_TEMPO = 25;     // u8
constexpr uint32_t HDR_FLAGS = 26;             // u16, FLAG_*
constexpr uint32_t HDR_SAMPLE_DATA = 28;       // u32: offset of the sample block
constexpr uint32_t HDR_SAMPLE_BYTES8 = 32;     // u32: 8-bit points in the block
constexpr uint32_t HDR_SAMPLE_WORDS16 = 36;    // u32: 16-bit points after them
constexpr uint32_t HDR_MIN_PERIOD = 40;        // i32
constexpr uint32_t HDR_MAX_PERIOD = 44;        // i32
constexpr uint32_t HDR_CHANNEL_PANNING = 48;   // u8 × MAX_CHANNELS
constexpr uint32_t HDR_ORDERS = 80;            // u8 × MAX_ORDERS: pattern numbers
// The three offset tables, one run of u32 entries (0 = absent).
constexpr uint32_t HDR_INSTRUMENT_TABLE = 336;  // × MAX_INSTRUMENTS: instrument records
constexpr uint32_t HDR_PATTERN_TABLE = 848;     // × MAX_PATTERNS: pattern streams
constexpr uint32_t HDR_SAMPLE_TABLE = 1872;     // × MAX_SAMPLES: first point of each sample
constexpr uint32_t OFFSET_TABLE_ENTRIES = MAX_INSTRUMENTS + MAX_PATTERNS + MAX_SAMPLES;

static_assert(HDR_CHANNEL_PANNING + MAX_CHANNELS == HDR_ORDERS);
static_assert(HDR_ORDERS + MAX_ORDERS == HDR_INSTRUMENT_TABLE);
static_assert(HDR_INSTRUMENT_TABLE + 4 * MAX_INSTRUMENTS == HDR_PATTERN_TABLE);
static_assert(HDR_PATTERN_TABLE + 4 * MAX_PATTERNS == HDR_SAMPLE_TABLE);
static_assert(HDR_SAMPLE_TABLE + 4 * MAX_SAMPLES == HEADER_BYTES);

// Offset-table entries by index (an instrument's index is its number - 1).
constexpr uint32_t instrumentEntryAt(uint32_t index) { return HDR_INSTRUMENT_TABLE + 4 * index; }
constexpr uint32_t patternEntryAt(uint32_t index) { return HDR_PATTERN_TABLE + 4 * index; }
constexpr uint32_t sampleEntryAt(uint32_t index) { return HDR_SAMPLE_TABLE + 4 * index; }

// Header flags.
constexpr uint16_t FLAG_LINEAR_PERIODS = 0x0001;
constexpr uint16_t FLAG_KEEP_CHANNEL_PANNING = 0x0002;
constexpr uint16_t FLAG_DELTA_SAMPLES = 0x0004;
constexpr uint16_t FLAGS_KNOWN = FLAG_LINEAR_PERIODS | FLAG_KEEP_CHANNEL_PANNING | FLAG_DELTA_SAMPLES;

// --- Instrument record: head, then `sample count` sample records.
constexpr uint32_t INS_SAMPLE_COUNT = 0;     // u32
constexpr uint32_t INS_SAMPLE_MAP = 4;       // u8 × NOTES: sample index for notes 1..96
constexpr uint32_t INS_FADE_OUT = 100;       // u16
constexpr uint32_t INS_AUTO_VIB_TYPE = 102;  // u8, 0..3
constexpr uint32_t INS_AUTO_VIB_SWEEP = 103;
constexpr uint32_t INS_AUTO_VIB_DEPTH = 104;
constexpr uint32_t INS_AUTO_VIB_RATE = 105;
constexpr uint32_t INS_VOL_ENV = 106;  // envelope record
constexpr uint32_t INS_PAN_ENV = 158;  // envelope record
constexpr uint32_t INSTRUMENT_HEAD_BYTES = 256;
constexpr uint32_t SAMPLE_RECORD_BYTES = 16;

// Sample record k of an instrument, from the instrument's first byte.
constexpr uint32_t sampleRecordAt(uint32_t k) { return INSTRUMENT_HEAD_BYTES + SAMPLE_RECORD_BYTES * k; }
// Bytes of an instrument record with `samples` sample records.
constexpr uint32_t instrumentBytes(uint32_t samples) { return sampleRecordAt(samples); }
static_assert(instrumentBytes(1) == 272);

// --- Envelope record: four index bytes, then ENVELOPE_POINTS points of a u16 length
// and a 16-bit value (the value byte, 0..64, and a zero reserved byte).
constexpr uint32_t ENV_LAST = 0;  // index of the last point in use
constexpr uint32_t ENV_SUSTAIN = 1;
constexpr uint32_t ENV_LOOP_START = 2;
constexpr uint32_t ENV_LOOP_END = 3;
constexpr uint32_t ENV_POINTS = 4;
constexpr uint32_t ENVELOPE_POINTS = 12;
constexpr uint32_t ENV_POINT_BYTES = 4;
constexpr uint32_t ENV_POINT_LENGTH = 0;    // u16, ticks to the next point
constexpr uint32_t ENV_POINT_VALUE = 2;     // u8, 0..64
constexpr uint32_t ENV_POINT_RESERVED = 3;  // 0: the value is read as 16 bits
constexpr uint32_t ENVELOPE_BYTES = ENV_POINTS + ENV_POINT_BYTES * ENVELOPE_POINTS;

constexpr uint32_t envPointAt(uint32_t i) { return ENV_POINTS + ENV_POINT_BYTES * i; }
static_assert(INS_VOL_ENV + ENVELOPE_BYTES == INS_PAN_ENV);
static_assert(INS_PAN_ENV + ENVELOPE_BYTES <= INSTRUMENT_HEAD_BYTES);

// --- Sample record.
constexpr uint32_t SMP_LOOP_START = 0;       // u32, in points
constexpr uint32_t SMP_END = 4;              // u32: loop end (exclusive) or length, in points
constexpr uint32_t SMP_FLAGS = 8;            // u8, SAMPLE_*
constexpr uint32_t SMP_VOLUME = 9;           // u8, 0..64
constexpr uint32_t SMP_PANNING = 10;         // u8
constexpr uint32_t SMP_RELATIVE_PITCH = 11;  // i16, 1/256 semitone
constexpr uint32_t SMP_NUMBER = 13;          // u16, index into the sample table

// Sample flags.
constexpr uint8_t SAMPLE_16BIT = 0x04;
constexpr uint8_t SAMPLE_LOOP = 0x08;
constexpr uint8_t SAMPLE_PINGPONG = 0x10;
constexpr uint8_t SAMPLE_BACKWARDS = 0x20;  // mixer-owned: the voice now plays backwards; never in a module

// --- Pattern stream: a u32 row count, then per row the cells in ascending channel
// order and a 0 byte. A cell is a flag byte (channel and which parts follow), then
// note and instrument, volume, effect and parameter, each only if flagged.
constexpr uint32_t PATTERN_ROW_COUNT = 0;  // u32, 1..MAX_ROWS
constexpr uint32_t PATTERN_HEAD_BYTES = 4;
constexpr uint8_t CELL_CHANNEL_MASK = 0x1F;
constexpr uint8_t CELL_HAS_NOTE = 0x20;  // note and instrument bytes
constexpr uint8_t CELL_HAS_VOLUME = 0x40;
constexpr uint8_t CELL_HAS_EFFECT = 0x80;  // effect and parameter bytes
constexpr uint8_t NOTE_KEY_OFF = 97;       // note byte: 0 none, 1..96 C-0..B-7, 97 key off

// Bytes of the cell whose flag byte is `flags`, that byte included.
constexpr uint32_t cellBytes(uint8_t flags) {
    return 1 + ((flags & CELL_HAS_NOTE) ? 2 : 0) + ((flags & CELL_HAS_VOLUME) ? 1 : 0) +
           ((flags & CELL_HAS_EFFECT) ? 2 : 0);
}

}  // namespace mxm
