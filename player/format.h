// format.h — reading the packed MXM module image in place.
//
// Little-endian, unaligned reads of the header, instrument, sample-record and
// envelope-point fields, the pattern cell reader and row skipper, and the in-place
// delta decoding of the sample block. Everything here takes addresses inside the
// module image; nothing is copied or allocated.
//
//   const uint8_t* p = patternStart + 4;      // after the row count
//   p = mxm::skipRows(p, 3);                   // now at row 3
//   mxm::Cell cell;
//   if (*p != 0 && (*p & 31) == channel) p = mxm::readCell(p, cell);
//
// Units: offsets in bytes from the first byte of the module; sample bounds in points;
// relative pitch in 1/256 semitone; envelope lengths in ticks, values 0..64.
#pragma once

#include <cstdint>

#include "player_state.h"

namespace mxm {

constexpr uint32_t MODULE_MAGIC = 0x004D584Du;  // "MXM", 0
constexpr uint32_t HEADER_BYTES = 10064;
constexpr uint32_t OFFSET_TABLE_ENTRIES = 128 + 256 + 2048;

inline uint16_t read16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t read32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}
inline void write16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

// Header fields read straight from the image (before the copy exists).
inline uint32_t moduleMagic(const uint8_t* module) { return read32(module); }
inline uint16_t moduleFlags(const uint8_t* module) { return read16(module + 26); }

// Copies the header into `h`, turning the 2432 offset-table entries into addresses
// inside `module` (zero entries become the module's first byte).
void readHeader(ModuleHeader& h, const uint8_t* module);

// Replaces the delta-coded sample block by its running sums: one 8-bit stream over
// `bytes8` bytes, then one 16-bit stream over `words16` little-endian words.
void decodeDeltaSamples(uint8_t* block, uint32_t bytes8, uint32_t words16);

// Instrument record (at header.instrumentOffsets[n - 1]).
constexpr uint32_t INSTRUMENT_HEAD_BYTES = 256;
constexpr uint32_t SAMPLE_RECORD_BYTES = 16;
constexpr uint32_t VOL_ENV_AT = 106;  // volEnvLast, sustain, loop start, loop end, 12 points
constexpr uint32_t PAN_ENV_AT = 158;

inline uint32_t insSampleCount(const uint8_t* ins) { return read32(ins); }
inline uint8_t insSampleMap(const uint8_t* ins, uint32_t noteIndex) { return ins[4 + noteIndex]; }
inline uint16_t insFadeOut(const uint8_t* ins) { return read16(ins + 100); }
inline uint8_t insAutoVibType(const uint8_t* ins) { return ins[102]; }
inline uint8_t insAutoVibSweep(const uint8_t* ins) { return ins[103]; }
inline uint8_t insAutoVibDepth(const uint8_t* ins) { return ins[104]; }
inline uint8_t insAutoVibRate(const uint8_t* ins) { return ins[105]; }
inline const uint8_t* insVolEnv(const uint8_t* ins) { return ins + VOL_ENV_AT; }
inline const uint8_t* insPanEnv(const uint8_t* ins) { return ins + PAN_ENV_AT; }
inline const uint8_t* insSample(const uint8_t* ins, uint32_t k) {
    return ins + INSTRUMENT_HEAD_BYTES + SAMPLE_RECORD_BYTES * k;
}

// Envelope (at insVolEnv / insPanEnv): four index bytes, then 12 points of
// u16 length and a 16-bit value (the value byte and its zero reserved byte).
inline uint8_t envLast(const uint8_t* env) { return env[0]; }
inline uint8_t envSustain(const uint8_t* env) { return env[1]; }
inline uint8_t envLoopStart(const uint8_t* env) { return env[2]; }
inline uint8_t envLoopEnd(const uint8_t* env) { return env[3]; }
inline uint16_t envLength(const uint8_t* env, uint32_t i) { return read16(env + 4 + 4 * i); }
inline int32_t envValue(const uint8_t* env, uint32_t i) { return read16(env + 6 + 4 * i); }

// Sample record (at insSample).
inline uint32_t smpLoopStart(const uint8_t* smp) { return read32(smp); }
inline uint32_t smpEnd(const uint8_t* smp) { return read32(smp + 4); }
inline uint8_t smpFlags(const uint8_t* smp) { return smp[8]; }
inline uint8_t smpVolume(const uint8_t* smp) { return smp[9]; }
inline uint8_t smpPanning(const uint8_t* smp) { return smp[10]; }
inline int16_t smpRelativePitch(const uint8_t* smp) { return static_cast<int16_t>(read16(smp + 11)); }
inline uint16_t smpNumber(const uint8_t* smp) { return read16(smp + 13); }

// One pattern cell; parts the cell lacks are 0.
struct Cell {
    uint8_t note;
    uint8_t instrument;
    uint8_t volume;
    uint8_t effect;
    uint8_t param;
};

constexpr uint8_t CELL_CHANNEL_MASK = 0x1F;
constexpr uint8_t CELL_HAS_NOTE = 0x20;  // note and instrument bytes
constexpr uint8_t CELL_HAS_VOLUME = 0x40;
constexpr uint8_t CELL_HAS_EFFECT = 0x80;  // effect and parameter bytes

// Consumes the cell whose flag byte is at `p`; returns the position after it.
const uint8_t* readCell(const uint8_t* p, Cell& cell);
// Passes over `rows` whole rows (each ended by a 0 byte); returns the position after them.
const uint8_t* skipRows(const uint8_t* p, uint32_t rows);

}  // namespace mxm
