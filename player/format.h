// format.h — reading the packed MXM module image in place.
//
// Accessors for the header, instrument, sample-record, envelope-point and pattern
// fields (offsets and readers from module_layout.h), the pattern cell reader and row
// skipper, and the in-place delta decoding of the sample block. Everything here takes
// addresses inside the module image; nothing is copied or allocated.
//
//   const uint8_t* p = mxm::patternRows(patternStart);  // after the row count
//   p = mxm::skipRows(p, 3);                            // now at row 3
//   mxm::Cell cell;
//   if (*p != 0 && (*p & mxm::CELL_CHANNEL_MASK) == channel) p = mxm::readCell(p, cell);
//
// Units: offsets in bytes from the first byte of the module; sample bounds in points;
// relative pitch in 1/256 semitone; envelope lengths in ticks, values 0..64.
#pragma once

#include <cstdint>

#include "player/module_layout.h"
#include "player/player_state.h"

namespace mxm {

// Header fields read straight from the image (before the copy exists).
inline uint32_t moduleMagic(const uint8_t* module) { return read32(module + HDR_MAGIC); }
inline uint16_t moduleFlags(const uint8_t* module) { return read16(module + HDR_FLAGS); }

// Copies the header into `h`, turning the OFFSET_TABLE_ENTRIES offset-table entries into addresses
// inside `module` (zero entries become the module's first byte).
void readHeader(ModuleHeader& h, const uint8_t* module);

// Replaces the delta-coded sample block by its running sums: one 8-bit stream over
// `bytes8` bytes, then one 16-bit stream over `words16` little-endian words.
void decodeDeltaSamples(uint8_t* block, uint32_t bytes8, uint32_t words16);

// Instrument record (at header.instrumentOffsets[n - 1]).
inline uint32_t insSampleCount(const uint8_t* ins) { return read32(ins + INS_SAMPLE_COUNT); }
inline uint8_t insSampleMap(const uint8_t* ins, uint32_t noteIndex) { return ins[INS_SAMPLE_MAP + noteIndex]; }
inline uint16_t insFadeOut(const uint8_t* ins) { return read16(ins + INS_FADE_OUT); }
inline uint8_t insAutoVibType(const uint8_t* ins) { return ins[INS_AUTO_VIB_TYPE]; }
inline uint8_t insAutoVibSweep(const uint8_t* ins) { return ins[INS_AUTO_VIB_SWEEP]; }
inline uint8_t insAutoVibDepth(const uint8_t* ins) { return ins[INS_AUTO_VIB_DEPTH]; }
inline uint8_t insAutoVibRate(const uint8_t* ins) { return ins[INS_AUTO_VIB_RATE]; }
inline const uint8_t* insVolEnv(const uint8_t* ins) { return ins + INS_VOL_ENV; }
inline const uint8_t* insPanEnv(const uint8_t* ins) { return ins + INS_PAN_ENV; }
inline const uint8_t* insSample(const uint8_t* ins, uint32_t k) { return ins + sampleRecordAt(k); }

// Envelope (at insVolEnv / insPanEnv). The value is read as 16 bits: the value byte
// and its zero reserved byte.
inline uint8_t envLast(const uint8_t* env) { return env[ENV_LAST]; }
inline uint8_t envSustain(const uint8_t* env) { return env[ENV_SUSTAIN]; }
inline uint8_t envLoopStart(const uint8_t* env) { return env[ENV_LOOP_START]; }
inline uint8_t envLoopEnd(const uint8_t* env) { return env[ENV_LOOP_END]; }
inline uint16_t envLength(const uint8_t* env, uint32_t i) { return read16(env + envPointAt(i) + ENV_POINT_LENGTH); }
inline int32_t envValue(const uint8_t* env, uint32_t i) { return read16(env + envPointAt(i) + ENV_POINT_VALUE); }

// Sample record (at insSample).
inline uint32_t smpLoopStart(const uint8_t* smp) { return read32(smp + SMP_LOOP_START); }
inline uint32_t smpEnd(const uint8_t* smp) { return read32(smp + SMP_END); }
inline uint8_t smpFlags(const uint8_t* smp) { return smp[SMP_FLAGS]; }
inline uint8_t smpVolume(const uint8_t* smp) { return smp[SMP_VOLUME]; }
inline uint8_t smpPanning(const uint8_t* smp) { return smp[SMP_PANNING]; }
inline int16_t smpRelativePitch(const uint8_t* smp) { return static_cast<int16_t>(read16(smp + SMP_RELATIVE_PITCH)); }
inline uint16_t smpNumber(const uint8_t* smp) { return read16(smp + SMP_NUMBER); }

// Pattern stream (at header.patternOffsets[n]).
inline uint32_t patternRowCount(const uint8_t* pattern) { return read32(pattern + PATTERN_ROW_COUNT); }
inline const uint8_t* patternRows(const uint8_t* pattern) { return pattern + PATTERN_HEAD_BYTES; }

// One pattern cell; parts the cell lacks are 0.
struct Cell {
    uint8_t note;
    uint8_t instrument;
    uint8_t volume;
    uint8_t effect;
    uint8_t param;
};

// Consumes the cell whose flag byte is at `p`; returns the position after it.
const uint8_t* readCell(const uint8_t* p, Cell& cell);
// Passes over `rows` whole rows (each ended by a 0 byte); returns the position after them.
const uint8_t* skipRows(const uint8_t* p, uint32_t rows);

}  // namespace mxm
