// mxm_builder.h — writes the packed MXM module format from a readable description.
//
// Used by the tests (small modules built in code), by the song compiler of the
// embedded music, and to seed the fuzzer's corpus. Not used at run time by the game.
//
//   mxmb::Module m;
//   m.channelCount = 2;
//   m.orders = {0};
//   m.patterns.push_back(mxmb::Pattern::empty(64));
//   m.patterns[0].rows[0] = {mxmb::note(0, 49, 1)};
//   mxmb::Instrument ins; ins.samples.push_back(mxmb::Sample::oneShot8({0, 64, 127, 64, 0}));
//   m.instruments.push_back(ins);
//   std::vector<uint8_t> bytes = mxmb::build(m);
//
// Layout written: header, instruments (head + sample records), patterns, padding up to
// minSampleDataOffset, then the sample block (all 8-bit points, then all 16-bit points).
// Sample numbers are assigned in order of appearance unless a sample gives its own.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace mxmb {

struct Cell {
    uint8_t channel = 0;
    bool hasNote = false;  // note and instrument bytes present
    uint8_t note = 0;      // 0 none, 1..96, 97 key-off
    uint8_t instrument = 0;
    bool hasVolume = false;
    uint8_t volume = 0;
    bool hasEffect = false;
    uint8_t effect = 0;  // 0x00..0x23 commands 0-9/A-Z, 0x24+x = Ex
    uint8_t param = 0;
};

// Convenience cell makers.
Cell note(uint8_t channel, uint8_t note, uint8_t instrument = 0);
Cell keyOff(uint8_t channel);
Cell effect(uint8_t channel, uint8_t effect, uint8_t param);
Cell volume(uint8_t channel, uint8_t volumeByte);
// Effect number of an extended command Ex.
constexpr uint8_t extended(uint8_t x) { return static_cast<uint8_t>(0x24 + x); }
// Effect number of a letter command 'A'..'Z'.
constexpr uint8_t letter(char c) { return static_cast<uint8_t>(0x0A + (c - 'A')); }

using Row = std::vector<Cell>;  // cells in ascending channel order

struct Pattern {
    std::vector<Row> rows;  // row count = rows.size()
    static Pattern empty(int rowCount) {
        Pattern p;
        p.rows.resize(rowCount);
        return p;
    }
};

struct EnvPoint {
    uint16_t length = 0;  // ticks to the next point
    uint8_t value = 0;    // 0..64
    uint8_t reserved = 0;
};

struct Envelope {
    std::vector<EnvPoint> points;  // 1..12; empty = switched off (one point of `offValue`)
    uint8_t sustain = 255;
    uint8_t loopStart = 0;
    uint8_t loopEnd = 255;
    // Written as-is when set (for testing odd values); otherwise points.size() - 1.
    int lastOverride = -1;
};

struct Sample {
    std::vector<int32_t> points;  // sample values; at least end + 1 of them
    bool is16 = false;
    uint32_t loopStart = 0;
    uint32_t end = 0;   // loop end (exclusive) or length
    uint8_t flags = 0;  // SAMPLE_LOOP / SAMPLE_PINGPONG; SAMPLE_16BIT is set from is16
    uint8_t volume = 64;
    uint8_t panning = 128;
    int16_t relativePitch = 0;
    int sampleNumber = -1;  // -1 = next free number

    // One-shot sample of these points; a trailing point equal to the last is added
    // for the interpolation partner read past the end.
    static Sample oneShot8(std::vector<int32_t> pts);
    static Sample oneShot16(std::vector<int32_t> pts);
    // Forward loop [loopStart, end) over these points (end = pts.size()).
    static Sample looped8(std::vector<int32_t> pts, uint32_t loopStart);
};

struct Instrument {
    std::vector<Sample> samples;
    uint8_t sampleMap[96] = {};  // all notes to sample 0 by default
    uint16_t fadeOut = 0;
    uint8_t autoVibType = 0;
    uint8_t autoVibSweep = 0;
    uint8_t autoVibDepth = 0;
    uint8_t autoVibRate = 0;
    Envelope volEnv;
    Envelope panEnv;
};

struct Module {
    uint32_t channelCount = 4;
    uint32_t restartOrder = 0;
    uint8_t initialSpeed = 6;
    uint8_t initialTempo = 125;
    bool linearPeriods = true;
    bool keepChannelPanning = false;
    bool deltaSamples = false;
    int32_t minPeriod = -18432;
    int32_t maxPeriod = 24576;
    uint8_t channelPanning[32];
    std::vector<uint8_t> orders;  // songLength = orders.size()
    std::vector<Pattern> patterns;
    std::vector<Instrument> instruments;
    uint32_t minSampleDataOffset = 0;  // pad before the sample block up to here
    Module();
};

// Packs the module. Throws std::invalid_argument for a description that cannot be
// written (more than 32 channels, a cell's channel out of order, too many points...).
std::vector<uint8_t> build(const Module& m);
// Bytes the pattern takes in the packed module, row count included.
uint32_t packedBytes(const Pattern& p);

}  // namespace mxmb
