// mxm_builder.cpp — packs a readable module description into the MXM format.
#include "mxm_builder.h"

#include <cstring>
#include <stdexcept>

namespace mxmb {

namespace {

constexpr uint32_t HEADER_BYTES = 10064;
constexpr uint32_t INSTRUMENT_HEAD_BYTES = 256;
constexpr uint32_t SAMPLE_RECORD_BYTES = 16;

void put8(std::vector<uint8_t>& out, size_t at, uint32_t v) { out.at(at) = static_cast<uint8_t>(v); }
void put16(std::vector<uint8_t>& out, size_t at, uint32_t v) {
    put8(out, at, v & 0xFF);
    put8(out, at + 1, (v >> 8) & 0xFF);
}
void put32(std::vector<uint8_t>& out, size_t at, uint32_t v) {
    put16(out, at, v & 0xFFFF);
    put16(out, at + 2, v >> 16);
}

void fail(const std::string& what) { throw std::invalid_argument("mxm builder: " + what); }

void writeEnvelope(std::vector<uint8_t>& out, size_t at, const Envelope& env, uint8_t offValue) {
    if (env.points.size() > 12) fail("an envelope has more than 12 points");
    size_t last = env.points.empty() ? 0 : env.points.size() - 1;
    put8(out, at, env.lastOverride >= 0 ? static_cast<uint32_t>(env.lastOverride) : last);
    put8(out, at + 1, env.sustain);
    put8(out, at + 2, env.loopStart);
    put8(out, at + 3, env.loopEnd);
    if (env.points.empty()) {
        put8(out, at + 4 + 2, offValue);
        return;
    }
    for (size_t i = 0; i < env.points.size(); ++i) {
        size_t p = at + 4 + 4 * i;
        put16(out, p, env.points[i].length);
        put8(out, p + 2, env.points[i].value);
        put8(out, p + 3, env.points[i].reserved);
    }
}

void writeCell(std::vector<uint8_t>& out, const Cell& c) {
    uint8_t flag = c.channel;
    if (c.hasNote) flag |= 0x20;
    if (c.hasVolume) flag |= 0x40;
    if (c.hasEffect) flag |= 0x80;
    if (flag == 0) fail("a cell for channel 0 needs a note, volume or effect");
    out.push_back(flag);
    if (c.hasNote) {
        out.push_back(c.note);
        out.push_back(c.instrument);
    }
    if (c.hasVolume) out.push_back(c.volume);
    if (c.hasEffect) {
        out.push_back(c.effect);
        out.push_back(c.param);
    }
}

}  // namespace

Cell note(uint8_t channel, uint8_t n, uint8_t instrument) {
    Cell c;
    c.channel = channel;
    c.hasNote = true;
    c.note = n;
    c.instrument = instrument;
    return c;
}

Cell keyOff(uint8_t channel) { return note(channel, 97, 0); }

Cell effect(uint8_t channel, uint8_t fx, uint8_t param) {
    Cell c;
    c.channel = channel;
    c.hasEffect = true;
    c.effect = fx;
    c.param = param;
    return c;
}

Cell volume(uint8_t channel, uint8_t volumeByte) {
    Cell c;
    c.channel = channel;
    c.hasVolume = true;
    c.volume = volumeByte;
    return c;
}

Sample Sample::oneShot8(std::vector<int32_t> pts) {
    Sample s;
    s.end = static_cast<uint32_t>(pts.size());
    pts.push_back(pts.empty() ? 0 : pts.back());
    s.points = std::move(pts);
    return s;
}

Sample Sample::oneShot16(std::vector<int32_t> pts) {
    Sample s = oneShot8(std::move(pts));
    s.is16 = true;
    return s;
}

Sample Sample::looped8(std::vector<int32_t> pts, uint32_t loopStart) {
    Sample s;
    s.end = static_cast<uint32_t>(pts.size());
    s.loopStart = loopStart;
    s.flags = 0x08;
    // The point read past the loop end is the loop start's, so the wrap is smooth.
    pts.push_back(loopStart < pts.size() ? pts[loopStart] : 0);
    s.points = std::move(pts);
    return s;
}

Module::Module() { std::memset(channelPanning, 128, sizeof channelPanning); }

std::vector<uint8_t> build(const Module& m) {
    if (m.channelCount < 1 || m.channelCount > 32) fail("channel count must be 1..32");
    if (m.orders.empty() || m.orders.size() > 256) fail("song length must be 1..256");
    if (m.instruments.size() > 128) fail("at most 128 instruments");
    if (m.patterns.size() > 256) fail("at most 256 patterns");

    std::vector<uint8_t> out(HEADER_BYTES, 0);
    out[0] = 'M';
    out[1] = 'X';
    out[2] = 'M';
    put32(out, 4, static_cast<uint32_t>(m.orders.size()));
    put32(out, 8, m.restartOrder);
    put32(out, 12, m.channelCount);
    put32(out, 16, static_cast<uint32_t>(m.patterns.size()));
    put32(out, 20, static_cast<uint32_t>(m.instruments.size()));
    put8(out, 24, m.initialSpeed);
    put8(out, 25, m.initialTempo);
    uint16_t flags = (m.linearPeriods ? 1 : 0) | (m.keepChannelPanning ? 2 : 0) | (m.deltaSamples ? 4 : 0);
    put16(out, 26, flags);
    put32(out, 40, static_cast<uint32_t>(m.minPeriod));
    put32(out, 44, static_cast<uint32_t>(m.maxPeriod));
    std::memcpy(&out[48], m.channelPanning, 32);
    for (size_t i = 0; i < m.orders.size(); ++i) out[80 + i] = m.orders[i];

    // Sample numbers, and where each sample's points go within the 8- or 16-bit part.
    struct Placed { const Sample* s; uint32_t number; uint32_t at; };
    std::vector<Placed> placed;
    uint32_t nextNumber = 0, bytes8 = 0, words16 = 0;
    for (const Instrument& ins : m.instruments) {
        for (const Sample& s : ins.samples) {
            uint32_t number = s.sampleNumber >= 0 ? static_cast<uint32_t>(s.sampleNumber) : nextNumber;
            if (number >= 2048) fail("sample number above 2047");
            nextNumber = number + 1;
            uint32_t n = static_cast<uint32_t>(s.points.size());
            placed.push_back({&s, number, s.is16 ? words16 : bytes8});
            (s.is16 ? words16 : bytes8) += n;
        }
    }

    // Instruments.
    size_t placedIndex = 0;
    for (size_t i = 0; i < m.instruments.size(); ++i) {
        const Instrument& ins = m.instruments[i];
        size_t at = out.size();
        put32(out, 336 + 4 * i, static_cast<uint32_t>(at));
        out.resize(at + INSTRUMENT_HEAD_BYTES + SAMPLE_RECORD_BYTES * ins.samples.size(), 0);
        put32(out, at, static_cast<uint32_t>(ins.samples.size()));
        std::memcpy(&out[at + 4], ins.sampleMap, 96);
        put16(out, at + 100, ins.fadeOut);
        put8(out, at + 102, ins.autoVibType);
        put8(out, at + 103, ins.autoVibSweep);
        put8(out, at + 104, ins.autoVibDepth);
        put8(out, at + 105, ins.autoVibRate);
        writeEnvelope(out, at + 106, ins.volEnv, 64);
        writeEnvelope(out, at + 158, ins.panEnv, 32);
        for (size_t k = 0; k < ins.samples.size(); ++k, ++placedIndex) {
            const Sample& s = ins.samples[k];
            size_t r = at + INSTRUMENT_HEAD_BYTES + SAMPLE_RECORD_BYTES * k;
            put32(out, r, s.loopStart);
            put32(out, r + 4, s.end);
            put8(out, r + 8, (s.flags & ~0x04) | (s.is16 ? 0x04 : 0));
            put8(out, r + 9, s.volume);
            put8(out, r + 10, s.panning);
            put16(out, r + 11, static_cast<uint16_t>(s.relativePitch));
            put16(out, r + 13, placed[placedIndex].number);
        }
    }

    // Patterns.
    for (size_t i = 0; i < m.patterns.size(); ++i) {
        const Pattern& p = m.patterns[i];
        if (p.rows.empty() || p.rows.size() > 256) fail("a pattern needs 1..256 rows");
        put32(out, 848 + 4 * i, static_cast<uint32_t>(out.size()));
        size_t at = out.size();
        out.resize(at + 4);
        put32(out, at, static_cast<uint32_t>(p.rows.size()));
        for (const Row& row : p.rows) {
            int lastChannel = -1;
            for (const Cell& c : row) {
                if (c.channel >= m.channelCount || static_cast<int>(c.channel) <= lastChannel)
                    fail("cells of a row must be in ascending channel order below the channel count");
                lastChannel = c.channel;
                writeCell(out, c);
            }
            out.push_back(0);
        }
    }

    // Sample block.
    if (out.size() < m.minSampleDataOffset) out.resize(m.minSampleDataOffset, 0);
    uint32_t blockAt = static_cast<uint32_t>(out.size());
    put32(out, 28, blockAt);
    put32(out, 32, bytes8);
    put32(out, 36, words16);
    out.resize(blockAt + bytes8 + 2 * words16, 0);
    for (const Placed& pl : placed) {
        const Sample& s = *pl.s;
        uint32_t first = s.is16 ? blockAt + bytes8 + 2 * pl.at : blockAt + pl.at;
        put32(out, 1872 + 4 * pl.number, first);
        for (size_t k = 0; k < s.points.size(); ++k) {
            int32_t v = s.points[k];
            if (s.is16) {
                if (v < -32768 || v > 32767) fail("16-bit sample point out of range");
                put16(out, first + 2 * k, static_cast<uint16_t>(v));
            } else {
                if (v < -128 || v > 127) fail("8-bit sample point out of range");
                put8(out, first + k, static_cast<uint8_t>(v));
            }
        }
    }
    if (m.deltaSamples) {
        // Each part becomes one running stream of differences.
        uint8_t prev8 = 0;
        for (uint32_t k = 0; k < bytes8; ++k) {
            uint8_t v = out[blockAt + k];
            out[blockAt + k] = static_cast<uint8_t>(v - prev8);
            prev8 = v;
        }
        uint16_t prev16 = 0;
        for (uint32_t k = 0; k < words16; ++k) {
            size_t at = blockAt + bytes8 + 2 * k;
            uint16_t v = static_cast<uint16_t>(out[at] | (out[at + 1] << 8));
            put16(out, at, static_cast<uint16_t>(v - prev16));
            prev16 = v;
        }
    }
    return out;
}

}  // namespace mxmb
