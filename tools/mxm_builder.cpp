// mxm_builder.cpp — packs a readable module description into the MXM format.
#include "tools/mxm_builder.h"

#include <cstring>
#include <stdexcept>

#include "player/module_layout.h"

namespace mxmb {

namespace {

using mxm::write16;
using mxm::write32;

void fail(const std::string& what) { throw std::invalid_argument("mxm builder: " + what); }

// Where one sample's points go: its number, and its first point within the 8- or
// 16-bit part of the sample block.
struct Placed {
    const Sample* s;
    uint32_t number;
    uint32_t at;
};

struct Placement {
    std::vector<Placed> samples;  // in order of appearance
    uint32_t bytes8 = 0, words16 = 0;
};

void checkLimits(const Module& m) {
    if (m.channelCount < 1 || m.channelCount > mxm::MAX_CHANNELS) fail("channel count must be 1..32");
    if (m.orders.empty() || m.orders.size() > mxm::MAX_ORDERS) fail("song length must be 1..256");
    if (m.instruments.size() > mxm::MAX_INSTRUMENTS) fail("at most 128 instruments");
    if (m.patterns.size() > mxm::MAX_PATTERNS) fail("at most 256 patterns");
}

// The header without the sample block's fields; the offset tables are filled as the
// records are written.
std::vector<uint8_t> header(const Module& m) {
    std::vector<uint8_t> out(mxm::HEADER_BYTES, 0);
    uint8_t* h = out.data();
    write32(h + mxm::HDR_MAGIC, mxm::MODULE_MAGIC);
    write32(h + mxm::HDR_SONG_LENGTH, static_cast<uint32_t>(m.orders.size()));
    write32(h + mxm::HDR_RESTART_ORDER, m.restartOrder);
    write32(h + mxm::HDR_CHANNEL_COUNT, m.channelCount);
    write32(h + mxm::HDR_PATTERN_COUNT, static_cast<uint32_t>(m.patterns.size()));
    write32(h + mxm::HDR_INSTRUMENT_COUNT, static_cast<uint32_t>(m.instruments.size()));
    h[mxm::HDR_INITIAL_SPEED] = m.initialSpeed;
    h[mxm::HDR_INITIAL_TEMPO] = m.initialTempo;
    uint16_t flags = (m.linearPeriods ? mxm::FLAG_LINEAR_PERIODS : 0) |
                     (m.keepChannelPanning ? mxm::FLAG_KEEP_CHANNEL_PANNING : 0) |
                     (m.deltaSamples ? mxm::FLAG_DELTA_SAMPLES : 0);
    write16(h + mxm::HDR_FLAGS, flags);
    write32(h + mxm::HDR_MIN_PERIOD, static_cast<uint32_t>(m.minPeriod));
    write32(h + mxm::HDR_MAX_PERIOD, static_cast<uint32_t>(m.maxPeriod));
    std::memcpy(h + mxm::HDR_CHANNEL_PANNING, m.channelPanning, mxm::MAX_CHANNELS);
    std::memcpy(h + mxm::HDR_ORDERS, m.orders.data(), m.orders.size());
    return out;
}

// Sample numbers, and where each sample's points go within the 8- or 16-bit part.
Placement placeSamples(const Module& m) {
    Placement p;
    uint32_t nextNumber = 0;
    for (const Instrument& ins : m.instruments) {
        for (const Sample& s : ins.samples) {
            uint32_t number = s.sampleNumber >= 0 ? static_cast<uint32_t>(s.sampleNumber) : nextNumber;
            if (number >= mxm::MAX_SAMPLES) fail("sample number above 2047");
            nextNumber = number + 1;
            uint32_t n = static_cast<uint32_t>(s.points.size());
            p.samples.push_back({&s, number, s.is16 ? p.words16 : p.bytes8});
            (s.is16 ? p.words16 : p.bytes8) += n;
        }
    }
    return p;
}

void writeEnvelope(uint8_t* env, const Envelope& e, uint8_t offValue) {
    if (e.points.size() > mxm::ENVELOPE_POINTS) fail("an envelope has more than 12 points");
    size_t last = e.points.empty() ? 0 : e.points.size() - 1;
    env[mxm::ENV_LAST] = static_cast<uint8_t>(e.lastOverride >= 0 ? e.lastOverride : last);
    env[mxm::ENV_SUSTAIN] = e.sustain;
    env[mxm::ENV_LOOP_START] = e.loopStart;
    env[mxm::ENV_LOOP_END] = e.loopEnd;
    if (e.points.empty()) {
        env[mxm::envPointAt(0) + mxm::ENV_POINT_VALUE] = offValue;
        return;
    }
    for (uint32_t i = 0; i < e.points.size(); ++i) {
        uint8_t* point = env + mxm::envPointAt(i);
        write16(point + mxm::ENV_POINT_LENGTH, e.points[i].length);
        point[mxm::ENV_POINT_VALUE] = e.points[i].value;
        point[mxm::ENV_POINT_RESERVED] = e.points[i].reserved;
    }
}

void writeSampleRecord(uint8_t* r, const Sample& s, uint32_t number) {
    write32(r + mxm::SMP_LOOP_START, s.loopStart);
    write32(r + mxm::SMP_END, s.end);
    r[mxm::SMP_FLAGS] = (s.flags & ~mxm::SAMPLE_16BIT) | (s.is16 ? mxm::SAMPLE_16BIT : 0);
    r[mxm::SMP_VOLUME] = s.volume;
    r[mxm::SMP_PANNING] = s.panning;
    write16(r + mxm::SMP_RELATIVE_PITCH, static_cast<uint16_t>(s.relativePitch));
    write16(r + mxm::SMP_NUMBER, static_cast<uint16_t>(number));
}

// Appends instrument `index` with its sample records; `placed` is at its first sample
// and is moved past its last.
void appendInstrument(std::vector<uint8_t>& out, uint32_t index, const Instrument& ins, const Placed*& placed) {
    size_t at = out.size();
    write32(&out[mxm::instrumentEntryAt(index)], static_cast<uint32_t>(at));
    out.resize(at + mxm::instrumentBytes(static_cast<uint32_t>(ins.samples.size())), 0);
    uint8_t* head = &out[at];
    write32(head + mxm::INS_SAMPLE_COUNT, static_cast<uint32_t>(ins.samples.size()));
    std::memcpy(head + mxm::INS_SAMPLE_MAP, ins.sampleMap, mxm::NOTES);
    write16(head + mxm::INS_FADE_OUT, ins.fadeOut);
    head[mxm::INS_AUTO_VIB_TYPE] = ins.autoVibType;
    head[mxm::INS_AUTO_VIB_SWEEP] = ins.autoVibSweep;
    head[mxm::INS_AUTO_VIB_DEPTH] = ins.autoVibDepth;
    head[mxm::INS_AUTO_VIB_RATE] = ins.autoVibRate;
    writeEnvelope(head + mxm::INS_VOL_ENV, ins.volEnv, 64);
    writeEnvelope(head + mxm::INS_PAN_ENV, ins.panEnv, 32);
    for (uint32_t k = 0; k < ins.samples.size(); ++k, ++placed)
        writeSampleRecord(head + mxm::sampleRecordAt(k), ins.samples[k], placed->number);
}

uint8_t cellFlags(const Cell& c) {
    uint8_t flags = c.channel;
    if (c.hasNote) flags |= mxm::CELL_HAS_NOTE;
    if (c.hasVolume) flags |= mxm::CELL_HAS_VOLUME;
    if (c.hasEffect) flags |= mxm::CELL_HAS_EFFECT;
    return flags;
}

void appendCell(std::vector<uint8_t>& out, const Cell& c) {
    uint8_t flags = cellFlags(c);
    if (flags == 0) fail("a cell for channel 0 needs a note, volume or effect");
    out.push_back(flags);
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

void appendPattern(std::vector<uint8_t>& out, uint32_t index, const Pattern& p, uint32_t channelCount) {
    if (p.rows.empty() || p.rows.size() > mxm::MAX_ROWS) fail("a pattern needs 1..256 rows");
    size_t at = out.size();
    write32(&out[mxm::patternEntryAt(index)], static_cast<uint32_t>(at));
    out.resize(at + mxm::PATTERN_HEAD_BYTES);
    write32(&out[at + mxm::PATTERN_ROW_COUNT], static_cast<uint32_t>(p.rows.size()));
    for (const Row& row : p.rows) {
        int lastChannel = -1;
        for (const Cell& c : row) {
            if (c.channel >= channelCount || static_cast<int>(c.channel) <= lastChannel)
                fail("cells of a row must be in ascending channel order below the channel count");
            lastChannel = c.channel;
            appendCell(out, c);
        }
        out.push_back(0);
    }
}

// Appends the sample block (padded to start at `minOffset` or later), fills its header
// fields and the sample table, and returns its offset.
uint32_t appendSampleBlock(std::vector<uint8_t>& out, const Placement& placement, uint32_t minOffset) {
    if (out.size() < minOffset) out.resize(minOffset, 0);
    uint32_t blockAt = static_cast<uint32_t>(out.size());
    write32(&out[mxm::HDR_SAMPLE_DATA], blockAt);
    write32(&out[mxm::HDR_SAMPLE_BYTES8], placement.bytes8);
    write32(&out[mxm::HDR_SAMPLE_WORDS16], placement.words16);
    out.resize(blockAt + placement.bytes8 + 2 * placement.words16, 0);
    for (const Placed& pl : placement.samples) {
        const Sample& s = *pl.s;
        uint32_t first = s.is16 ? blockAt + placement.bytes8 + 2 * pl.at : blockAt + pl.at;
        write32(&out[mxm::sampleEntryAt(pl.number)], first);
        for (size_t k = 0; k < s.points.size(); ++k) {
            int32_t v = s.points[k];
            if (s.is16) {
                if (v < -32768 || v > 32767) fail("16-bit sample point out of range");
                write16(&out[first + 2 * k], static_cast<uint16_t>(v));
            } else {
                if (v < -128 || v > 127) fail("8-bit sample point out of range");
                out[first + k] = static_cast<uint8_t>(v);
            }
        }
    }
    return blockAt;
}

// Turns each part of the sample block into one running stream of differences.
void deltaCode(uint8_t* block, uint32_t bytes8, uint32_t words16) {
    uint8_t prev8 = 0;
    for (uint32_t k = 0; k < bytes8; ++k) {
        uint8_t v = block[k];
        block[k] = static_cast<uint8_t>(v - prev8);
        prev8 = v;
    }
    uint8_t* words = block + bytes8;
    uint16_t prev16 = 0;
    for (uint32_t k = 0; k < words16; ++k) {
        uint16_t v = mxm::read16(words + 2 * k);
        write16(words + 2 * k, static_cast<uint16_t>(v - prev16));
        prev16 = v;
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

Cell keyOff(uint8_t channel) { return note(channel, mxm::NOTE_KEY_OFF, 0); }

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
    s.flags = mxm::SAMPLE_LOOP;
    // The point read past the loop end is the loop start's, so the wrap is smooth.
    pts.push_back(loopStart < pts.size() ? pts[loopStart] : 0);
    s.points = std::move(pts);
    return s;
}

Module::Module() { std::memset(channelPanning, 128, sizeof channelPanning); }

std::vector<uint8_t> build(const Module& m) {
    checkLimits(m);
    std::vector<uint8_t> out = header(m);
    Placement placement = placeSamples(m);
    const Placed* placed = placement.samples.data();
    for (uint32_t i = 0; i < m.instruments.size(); ++i) appendInstrument(out, i, m.instruments[i], placed);
    for (uint32_t i = 0; i < m.patterns.size(); ++i) appendPattern(out, i, m.patterns[i], m.channelCount);
    uint32_t blockAt = appendSampleBlock(out, placement, m.minSampleDataOffset);
    if (m.deltaSamples) deltaCode(out.data() + blockAt, placement.bytes8, placement.words16);
    return out;
}

uint32_t packedBytes(const Pattern& p) {
    uint32_t bytes = mxm::PATTERN_HEAD_BYTES;
    for (const Row& row : p.rows) {
        for (const Cell& c : row) bytes += mxm::cellBytes(cellFlags(c));
        bytes += 1;  // the row's terminating 0
    }
    return bytes;
}

}  // namespace mxmb
