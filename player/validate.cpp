// validate.cpp — structural checks of an untrusted MXM module image.
//
// Checks run in the order the player would meet the data: header, order list and
// the patterns it names, instruments with their envelopes and sample records, and
// finally the sample points each record reaches. All arithmetic on offsets is done
// in 64 bits so that no sum of fields can wrap past a bound.
#include "validate.h"

#include <cstdarg>
#include <cstdio>

namespace mxm {

namespace {

constexpr uint64_t HEADER_BYTES = 10064;
constexpr uint64_t INSTRUMENT_HEAD_BYTES = 256;
constexpr uint64_t SAMPLE_RECORD_BYTES = 16;
constexpr uint32_t ENVELOPE_POINTS = 12;
constexpr int32_t PERIOD_LIMIT = 1 << 24;  // keeps period arithmetic far from overflow

struct Image {
    const uint8_t* data;
    uint64_t size;
    ValidationError* error;
};

uint32_t read16(const Image& m, uint64_t at) { return m.data[at] | (m.data[at + 1] << 8); }
uint32_t read32(const Image& m, uint64_t at) {
    return static_cast<uint32_t>(m.data[at]) | (static_cast<uint32_t>(m.data[at + 1]) << 8) |
           (static_cast<uint32_t>(m.data[at + 2]) << 16) | (static_cast<uint32_t>(m.data[at + 3]) << 24);
}

bool fail(const Image& m, uint64_t offset, const char* format, ...) __attribute__((format(printf, 3, 4)));
bool fail(const Image& m, uint64_t offset, const char* format, ...) {
    if (m.error != nullptr) {
        va_list args;
        va_start(args, format);
        std::vsnprintf(m.error->message, sizeof m.error->message, format, args);
        va_end(args);
        m.error->offset = offset;
    }
    return false;
}

// A byte range [from, from + length) inside the image.
bool inImage(const Image& m, uint64_t from, uint64_t length) { return from <= m.size && length <= m.size - from; }

struct Extent {
    uint64_t from, to;  // [from, to)
};

bool overlaps(Extent a, Extent b) { return a.from < b.to && b.from < a.to; }

bool checkHeader(const Image& m) {
    if (m.size < HEADER_BYTES)
        return fail(m, m.size, "module is %llu bytes, shorter than its %llu-byte header",
                    static_cast<unsigned long long>(m.size), static_cast<unsigned long long>(HEADER_BYTES));
    if (m.data[0] != 'M' || m.data[1] != 'X' || m.data[2] != 'M' || m.data[3] != 0)
        return fail(m, 0, "wrong magic: not an MXM module");
    uint32_t songLength = read32(m, 4);
    if (songLength < 1 || songLength > 256) return fail(m, 4, "song length %u outside 1..256", songLength);
    uint32_t restartOrder = read32(m, 8);
    if (restartOrder >= songLength)
        return fail(m, 8, "restart order %u not below the song length %u", restartOrder, songLength);
    uint32_t channels = read32(m, 12);
    if (channels < 1 || channels > 32) return fail(m, 12, "channel count %u outside 1..32", channels);
    uint32_t instruments = read32(m, 20);
    if (instruments < 1 || instruments > 128) return fail(m, 20, "instrument count %u outside 1..128", instruments);
    if (m.data[24] == 0) return fail(m, 24, "initial speed is 0");
    if (m.data[25] == 0) return fail(m, 25, "initial tempo is 0");
    uint32_t flags = read16(m, 26);
    if (flags & ~7u) return fail(m, 26, "unknown header flags 0x%04x", flags);
    int32_t minPeriod = static_cast<int32_t>(read32(m, 40));
    int32_t maxPeriod = static_cast<int32_t>(read32(m, 44));
    if (minPeriod < -PERIOD_LIMIT || minPeriod > PERIOD_LIMIT)
        return fail(m, 40, "minimum period %d outside -%d..%d", minPeriod, PERIOD_LIMIT, PERIOD_LIMIT);
    if (maxPeriod < -PERIOD_LIMIT || maxPeriod > PERIOD_LIMIT)
        return fail(m, 44, "maximum period %d outside -%d..%d", maxPeriod, PERIOD_LIMIT, PERIOD_LIMIT);
    return true;
}

// One pattern stream: row count, then that many rows of well-formed cells.
bool checkPattern(const Image& m, uint32_t number, uint32_t orderPos, Extent* extent) {
    uint64_t at = read32(m, 848 + 4 * static_cast<uint64_t>(number));
    if (at < HEADER_BYTES)
        return fail(m, 848 + 4 * static_cast<uint64_t>(number),
                    "pattern %u (order %u): offset %llu lies inside the header", number, orderPos,
                    static_cast<unsigned long long>(at));
    if (!inImage(m, at, 4))
        return fail(m, at, "pattern %u (order %u): row count runs past the end of the module", number, orderPos);
    uint32_t rows = read32(m, at);
    if (rows < 1 || rows > 256) return fail(m, at, "pattern %u: row count %u outside 1..256", number, rows);
    uint32_t channels = read32(m, 12);
    uint64_t p = at + 4;
    for (uint32_t row = 0; row < rows; ++row) {
        int last = -1;
        for (;;) {
            if (p >= m.size) return fail(m, p, "pattern %u: row %u runs past the end of the module", number, row);
            uint8_t flag = m.data[p];
            if (flag == 0) {
                ++p;
                break;
            }
            int channel = flag & 0x1F;
            if (static_cast<uint32_t>(channel) >= channels)
                return fail(m, p, "pattern %u: row %u: cell for channel %d, at or above the channel count %u", number,
                            row, channel, channels);
            if (channel <= last)
                return fail(m, p, "pattern %u: row %u: cell for channel %d after channel %d (not ascending)", number,
                            row, channel, last);
            last = channel;
            uint64_t length = 1 + ((flag & 0x20) ? 2 : 0) + ((flag & 0x40) ? 1 : 0) + ((flag & 0x80) ? 2 : 0);
            if (!inImage(m, p, length))
                return fail(m, p, "pattern %u: row %u: cell runs past the end of the module", number, row);
            if ((flag & 0x20) && m.data[p + 1] > 97)
                return fail(m, p + 1, "pattern %u: row %u: note %u above 97", number, row, m.data[p + 1]);
            p += length;
        }
    }
    *extent = {at, p};
    return true;
}

bool checkEnvelope(const Image& m, uint64_t at, uint32_t instrument, const char* which) {
    uint32_t last = m.data[at];
    uint32_t loopStart = m.data[at + 2];
    uint32_t loopEnd = m.data[at + 3];
    if (last >= ENVELOPE_POINTS)
        return fail(m, at, "instrument %u: %s envelope last point %u above 11", instrument, which, last);
    if (loopEnd <= last && loopStart > last)
        return fail(m, at + 2, "instrument %u: %s envelope loop start %u beyond its last point %u", instrument, which,
                    loopStart, last);
    for (uint32_t i = 0; i <= last; ++i) {
        uint64_t point = at + 4 + 4 * static_cast<uint64_t>(i);
        uint32_t length = read16(m, point);
        // Segments before the last are divided by their length and walked tick by tick.
        if (i < last && (length == 0 || length > 32767))
            return fail(m, point, "instrument %u: %s envelope point %u has length %u (need 1..32767)", instrument,
                        which, i, length);
        if (m.data[point + 2] > 64 || m.data[point + 3] != 0)
            return fail(m, point + 2, "instrument %u: %s envelope point %u has value %u (need 0..64)", instrument,
                        which, i, read16(m, point + 2));
    }
    return true;
}

// The points a sample record reaches: 0..end, the last one read as the partner of end - 1.
bool checkSamplePoints(const Image& m, uint64_t record, uint32_t instrument, uint32_t k) {
    uint32_t loopStart = read32(m, record);
    uint32_t end = read32(m, record + 4);
    uint8_t flags = m.data[record + 8];
    uint32_t number = read16(m, record + 13);
    if (number >= 2048)
        return fail(m, record + 13, "instrument %u sample %u: sample number %u above 2047", instrument, k, number);
    if (end > 0x7FFFFFFEu) return fail(m, record + 4, "instrument %u sample %u: end %u too large", instrument, k, end);
    if ((flags & 0x18) && loopStart > end)
        return fail(m, record, "instrument %u sample %u: loop start %u beyond the loop end %u", instrument, k,
                    loopStart, end);

    uint64_t block = read32(m, 28);
    uint64_t bytes8 = read32(m, 32);
    uint64_t words16 = read32(m, 36);
    uint64_t first = read32(m, 1872 + 4 * static_cast<uint64_t>(number));
    uint64_t points = static_cast<uint64_t>(end) + 1;
    if (flags & 0x04) {
        uint64_t base = block + bytes8;
        if (first < base || (first - base) % 2 != 0 || (first - base) / 2 + points > words16)
            return fail(m, 1872 + 4 * static_cast<uint64_t>(number),
                        "instrument %u sample %u: 16-bit sample %u (%llu points from offset %llu) not within the "
                        "16-bit sample data",
                        instrument, k, number, static_cast<unsigned long long>(points),
                        static_cast<unsigned long long>(first));
    } else if (first < block || first - block + points > bytes8) {
        return fail(m, 1872 + 4 * static_cast<uint64_t>(number),
                    "instrument %u sample %u: 8-bit sample %u (%llu points from offset %llu) not within the 8-bit "
                    "sample data",
                    instrument, k, number, static_cast<unsigned long long>(points),
                    static_cast<unsigned long long>(first));
    }
    return true;
}

bool checkInstrument(const Image& m, uint32_t n, Extent* extent) {
    uint64_t entry = 336 + 4 * static_cast<uint64_t>(n - 1);
    uint64_t at = read32(m, entry);
    if (at < HEADER_BYTES)
        return fail(m, entry, "instrument %u: offset %llu lies inside the header", n,
                    static_cast<unsigned long long>(at));
    if (!inImage(m, at, INSTRUMENT_HEAD_BYTES))
        return fail(m, at, "instrument %u: record runs past the end of the module", n);
    uint64_t samples = read32(m, at);
    if (!inImage(m, at + INSTRUMENT_HEAD_BYTES, samples * SAMPLE_RECORD_BYTES))
        return fail(m, at, "instrument %u: %llu sample records run past the end of the module", n,
                    static_cast<unsigned long long>(samples));
    if (m.data[at + 102] > 3)
        return fail(m, at + 102, "instrument %u: auto-vibrato type %u above 3", n, m.data[at + 102]);
    if (!checkEnvelope(m, at + 106, n, "volume") || !checkEnvelope(m, at + 158, n, "panning")) return false;
    for (uint64_t k = 0; k < samples; ++k) {
        uint64_t record = at + INSTRUMENT_HEAD_BYTES + SAMPLE_RECORD_BYTES * k;
        uint8_t flags = m.data[record + 8];
        if (flags & 0x20)
            return fail(m, record + 8, "instrument %u sample %llu: flags 0x%02x have bit 5 set", n,
                        static_cast<unsigned long long>(k), flags);
        if (m.data[record + 9] > 64)
            return fail(m, record + 9, "instrument %u sample %llu: volume %u above 64", n,
                        static_cast<unsigned long long>(k), m.data[record + 9]);
        if (!checkSamplePoints(m, record, n, static_cast<uint32_t>(k))) return false;
    }
    *extent = {at, at + INSTRUMENT_HEAD_BYTES + samples * SAMPLE_RECORD_BYTES};
    return true;
}

}  // namespace

bool validateModule(const uint8_t* data, size_t size, ValidationError* error) {
    if (error != nullptr) {
        error->message[0] = 0;
        error->offset = 0;
    }
    Image m{data, size, error};
    if (!checkHeader(m)) return false;

    // The sample block: inside the image, after the header.
    uint64_t block = read32(m, 28);
    uint64_t blockBytes = read32(m, 32) + 2 * static_cast<uint64_t>(read32(m, 36));
    if (block < HEADER_BYTES)
        return fail(m, 28, "sample data offset %llu lies inside the header", static_cast<unsigned long long>(block));
    if (!inImage(m, block, blockBytes))
        return fail(m, 28, "sample data (%llu bytes from offset %llu) runs past the end of the module",
                    static_cast<unsigned long long>(blockBytes), static_cast<unsigned long long>(block));
    Extent sampleBlock{block, block + blockBytes};
    // Delta decoding rewrites the block in place; it must not touch what was checked.
    bool delta = (read16(m, 26) & 4) != 0;

    uint32_t songLength = read32(m, 4);
    bool seen[256] = {};
    for (uint32_t k = 0; k < songLength; ++k) {
        uint32_t pattern = m.data[80 + k];
        if (seen[pattern]) continue;
        seen[pattern] = true;
        Extent e{0, 0};
        if (!checkPattern(m, pattern, k, &e)) return false;
        if (delta && overlaps(e, sampleBlock))
            return fail(m, e.from, "pattern %u overlaps the delta-coded sample data", pattern);
    }

    uint32_t instruments = read32(m, 20);
    for (uint32_t n = 1; n <= instruments; ++n) {
        Extent e{0, 0};
        if (!checkInstrument(m, n, &e)) return false;
        if (delta && overlaps(e, sampleBlock))
            return fail(m, e.from, "instrument %u overlaps the delta-coded sample data", n);
    }
    return true;
}

}  // namespace mxm
