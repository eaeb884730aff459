// validate.cpp — structural checks of an untrusted MXM module image.
//
// Checks run in the order the player would meet the data: header, order list and
// the patterns it names, instruments with their envelopes and sample records, and
// finally the sample points each record reaches. All arithmetic on offsets is done
// in 64 bits so that no sum of fields can wrap past a bound.
//
// Contents:
//   [SECTION] Image access and failure reports
//   [SECTION] Header
//   [SECTION] Patterns
//   [SECTION] Instruments: envelopes, sample records, sample points
//   [SECTION] The whole module
#include "player/validate.h"

#include <cstdarg>
#include <cstdio>

#include "player/module_layout.h"

namespace mxm {

namespace {

// [SECTION] Image access and failure reports

constexpr int32_t PERIOD_LIMIT = 1 << 24;  // keeps period arithmetic far from overflow

struct Image {
    const uint8_t* data;
    uint64_t size;
    ValidationError* error;
};

// Fields at a checked offset.
uint32_t get8(const Image& m, uint64_t at) { return m.data[at]; }
uint32_t get16(const Image& m, uint64_t at) { return read16(m.data + at); }
uint32_t get32(const Image& m, uint64_t at) { return read32(m.data + at); }

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

// [SECTION] Header

bool checkHeader(const Image& m) {
    if (m.size < HEADER_BYTES)
        return fail(m, m.size, "module is %llu bytes, shorter than its %llu-byte header",
                    static_cast<unsigned long long>(m.size), static_cast<unsigned long long>(HEADER_BYTES));
    if (get32(m, HDR_MAGIC) != MODULE_MAGIC) return fail(m, HDR_MAGIC, "wrong magic: not an MXM module");
    uint32_t songLength = get32(m, HDR_SONG_LENGTH);
    if (songLength < 1 || songLength > MAX_ORDERS)
        return fail(m, HDR_SONG_LENGTH, "song length %u outside 1..%u", songLength, MAX_ORDERS);
    uint32_t restartOrder = get32(m, HDR_RESTART_ORDER);
    if (restartOrder >= songLength)
        return fail(m, HDR_RESTART_ORDER, "restart order %u not below the song length %u", restartOrder, songLength);
    uint32_t channels = get32(m, HDR_CHANNEL_COUNT);
    if (channels < 1 || channels > MAX_CHANNELS)
        return fail(m, HDR_CHANNEL_COUNT, "channel count %u outside 1..%d", channels, MAX_CHANNELS);
    uint32_t instruments = get32(m, HDR_INSTRUMENT_COUNT);
    if (instruments < 1 || instruments > MAX_INSTRUMENTS)
        return fail(m, HDR_INSTRUMENT_COUNT, "instrument count %u outside 1..%u", instruments, MAX_INSTRUMENTS);
    if (get8(m, HDR_INITIAL_SPEED) == 0) return fail(m, HDR_INITIAL_SPEED, "initial speed is 0");
    if (get8(m, HDR_INITIAL_TEMPO) == 0) return fail(m, HDR_INITIAL_TEMPO, "initial tempo is 0");
    uint32_t flags = get16(m, HDR_FLAGS);
    if (flags & ~uint32_t{FLAGS_KNOWN}) return fail(m, HDR_FLAGS, "unknown header flags 0x%04x", flags);
    int32_t minPeriod = static_cast<int32_t>(get32(m, HDR_MIN_PERIOD));
    int32_t maxPeriod = static_cast<int32_t>(get32(m, HDR_MAX_PERIOD));
    if (minPeriod < -PERIOD_LIMIT || minPeriod > PERIOD_LIMIT)
        return fail(m, HDR_MIN_PERIOD, "minimum period %d outside -%d..%d", minPeriod, PERIOD_LIMIT, PERIOD_LIMIT);
    if (maxPeriod < -PERIOD_LIMIT || maxPeriod > PERIOD_LIMIT)
        return fail(m, HDR_MAX_PERIOD, "maximum period %d outside -%d..%d", maxPeriod, PERIOD_LIMIT, PERIOD_LIMIT);
    return true;
}

// [SECTION] Patterns

// One pattern stream: row count, then that many rows of well-formed cells.
bool checkPattern(const Image& m, uint32_t number, uint32_t orderPos, Extent* extent) {
    uint64_t entry = patternEntryAt(number);
    uint64_t at = get32(m, entry);
    if (at < HEADER_BYTES)
        return fail(m, entry, "pattern %u (order %u): offset %llu lies inside the header", number, orderPos,
                    static_cast<unsigned long long>(at));
    if (!inImage(m, at, PATTERN_HEAD_BYTES))
        return fail(m, at, "pattern %u (order %u): row count runs past the end of the module", number, orderPos);
    uint32_t rows = get32(m, at + PATTERN_ROW_COUNT);
    if (rows < 1 || rows > MAX_ROWS)
        return fail(m, at, "pattern %u: row count %u outside 1..%u", number, rows, MAX_ROWS);
    uint32_t channels = get32(m, HDR_CHANNEL_COUNT);
    uint64_t p = at + PATTERN_HEAD_BYTES;
    for (uint32_t row = 0; row < rows; ++row) {
        int last = -1;
        for (;;) {
            if (p >= m.size) return fail(m, p, "pattern %u: row %u runs past the end of the module", number, row);
            uint8_t flag = m.data[p];
            if (flag == 0) {
                ++p;
                break;
            }
            int channel = flag & CELL_CHANNEL_MASK;
            if (static_cast<uint32_t>(channel) >= channels)
                return fail(m, p, "pattern %u: row %u: cell for channel %d, at or above the channel count %u", number,
                            row, channel, channels);
            if (channel <= last)
                return fail(m, p, "pattern %u: row %u: cell for channel %d after channel %d (not ascending)", number,
                            row, channel, last);
            last = channel;
            uint64_t length = cellBytes(flag);
            if (!inImage(m, p, length))
                return fail(m, p, "pattern %u: row %u: cell runs past the end of the module", number, row);
            if ((flag & CELL_HAS_NOTE) && get8(m, p + 1) > NOTE_KEY_OFF)
                return fail(m, p + 1, "pattern %u: row %u: note %u above %u", number, row, get8(m, p + 1),
                            NOTE_KEY_OFF);
            p += length;
        }
    }
    *extent = {at, p};
    return true;
}

// [SECTION] Instruments: envelopes, sample records, sample points

bool checkEnvelope(const Image& m, uint64_t at, uint32_t instrument, const char* which) {
    uint32_t last = get8(m, at + ENV_LAST);
    uint32_t loopStart = get8(m, at + ENV_LOOP_START);
    uint32_t loopEnd = get8(m, at + ENV_LOOP_END);
    if (last >= ENVELOPE_POINTS)
        return fail(m, at + ENV_LAST, "instrument %u: %s envelope last point %u above %u", instrument, which, last,
                    ENVELOPE_POINTS - 1);
    if (loopEnd <= last && loopStart > last)
        return fail(m, at + ENV_LOOP_START, "instrument %u: %s envelope loop start %u beyond its last point %u",
                    instrument, which, loopStart, last);
    for (uint32_t i = 0; i <= last; ++i) {
        uint64_t point = at + envPointAt(i);
        uint32_t length = get16(m, point + ENV_POINT_LENGTH);
        // Segments before the last are divided by their length and walked tick by tick.
        if (i < last && (length == 0 || length > 32767))
            return fail(m, point, "instrument %u: %s envelope point %u has length %u (need 1..32767)", instrument,
                        which, i, length);
        // The value is read as 16 bits, so its reserved high byte must be 0.
        uint32_t value = get16(m, point + ENV_POINT_VALUE);
        if (value > 64)
            return fail(m, point + ENV_POINT_VALUE, "instrument %u: %s envelope point %u has value %u (need 0..64)",
                        instrument, which, i, value);
    }
    return true;
}

// The points a sample record reaches: 0..end, the last one read as the partner of end - 1.
bool checkSamplePoints(const Image& m, uint64_t record, uint32_t instrument, uint32_t k) {
    uint32_t loopStart = get32(m, record + SMP_LOOP_START);
    uint32_t end = get32(m, record + SMP_END);
    uint32_t flags = get8(m, record + SMP_FLAGS);
    uint32_t number = get16(m, record + SMP_NUMBER);
    if (number >= MAX_SAMPLES)
        return fail(m, record + SMP_NUMBER, "instrument %u sample %u: sample number %u above %u", instrument, k, number,
                    MAX_SAMPLES - 1);
    if (end > 0x7FFFFFFEu)
        return fail(m, record + SMP_END, "instrument %u sample %u: end %u too large", instrument, k, end);
    if ((flags & (SAMPLE_LOOP | SAMPLE_PINGPONG)) && loopStart > end)
        return fail(m, record + SMP_LOOP_START, "instrument %u sample %u: loop start %u beyond the loop end %u",
                    instrument, k, loopStart, end);

    uint64_t block = get32(m, HDR_SAMPLE_DATA);
    uint64_t bytes8 = get32(m, HDR_SAMPLE_BYTES8);
    uint64_t words16 = get32(m, HDR_SAMPLE_WORDS16);
    uint64_t entry = sampleEntryAt(number);
    uint64_t first = get32(m, entry);
    uint64_t points = static_cast<uint64_t>(end) + 1;
    if (flags & SAMPLE_16BIT) {
        uint64_t base = block + bytes8;
        if (first < base || (first - base) % 2 != 0 || (first - base) / 2 + points > words16)
            return fail(m, entry,
                        "instrument %u sample %u: 16-bit sample %u (%llu points from offset %llu) not within the "
                        "16-bit sample data",
                        instrument, k, number, static_cast<unsigned long long>(points),
                        static_cast<unsigned long long>(first));
    } else if (first < block || first - block + points > bytes8) {
        return fail(m, entry,
                    "instrument %u sample %u: 8-bit sample %u (%llu points from offset %llu) not within the 8-bit "
                    "sample data",
                    instrument, k, number, static_cast<unsigned long long>(points),
                    static_cast<unsigned long long>(first));
    }
    return true;
}

bool checkInstrument(const Image& m, uint32_t n, Extent* extent) {
    uint64_t entry = instrumentEntryAt(n - 1);
    uint64_t at = get32(m, entry);
    if (at < HEADER_BYTES)
        return fail(m, entry, "instrument %u: offset %llu lies inside the header", n,
                    static_cast<unsigned long long>(at));
    if (!inImage(m, at, INSTRUMENT_HEAD_BYTES))
        return fail(m, at, "instrument %u: record runs past the end of the module", n);
    uint64_t samples = get32(m, at + INS_SAMPLE_COUNT);
    uint64_t bytes = INSTRUMENT_HEAD_BYTES + samples * SAMPLE_RECORD_BYTES;
    if (!inImage(m, at + INSTRUMENT_HEAD_BYTES, samples * SAMPLE_RECORD_BYTES))
        return fail(m, at, "instrument %u: %llu sample records run past the end of the module", n,
                    static_cast<unsigned long long>(samples));
    if (get8(m, at + INS_AUTO_VIB_TYPE) > 3)
        return fail(m, at + INS_AUTO_VIB_TYPE, "instrument %u: auto-vibrato type %u above 3", n,
                    get8(m, at + INS_AUTO_VIB_TYPE));
    if (!checkEnvelope(m, at + INS_VOL_ENV, n, "volume") || !checkEnvelope(m, at + INS_PAN_ENV, n, "panning"))
        return false;
    for (uint64_t k = 0; k < samples; ++k) {
        uint64_t record = at + INSTRUMENT_HEAD_BYTES + SAMPLE_RECORD_BYTES * k;
        uint32_t flags = get8(m, record + SMP_FLAGS);
        // The mixer keeps its own direction in that bit.
        if (flags & SAMPLE_BACKWARDS)
            return fail(m, record + SMP_FLAGS, "instrument %u sample %llu: flags 0x%02x have bit 5 set", n,
                        static_cast<unsigned long long>(k), flags);
        if (get8(m, record + SMP_VOLUME) > 64)
            return fail(m, record + SMP_VOLUME, "instrument %u sample %llu: volume %u above 64", n,
                        static_cast<unsigned long long>(k), get8(m, record + SMP_VOLUME));
        if (!checkSamplePoints(m, record, n, static_cast<uint32_t>(k))) return false;
    }
    *extent = {at, at + bytes};
    return true;
}

}  // namespace

// [SECTION] The whole module

bool validateModule(const uint8_t* data, size_t size, ValidationError* error) {
    if (error != nullptr) {
        error->message[0] = 0;
        error->offset = 0;
    }
    Image m{data, size, error};
    if (!checkHeader(m)) return false;

    // The sample block: inside the image, after the header.
    uint64_t block = get32(m, HDR_SAMPLE_DATA);
    uint64_t blockBytes = get32(m, HDR_SAMPLE_BYTES8) + 2 * static_cast<uint64_t>(get32(m, HDR_SAMPLE_WORDS16));
    if (block < HEADER_BYTES)
        return fail(m, HDR_SAMPLE_DATA, "sample data offset %llu lies inside the header",
                    static_cast<unsigned long long>(block));
    if (!inImage(m, block, blockBytes))
        return fail(m, HDR_SAMPLE_DATA, "sample data (%llu bytes from offset %llu) runs past the end of the module",
                    static_cast<unsigned long long>(blockBytes), static_cast<unsigned long long>(block));
    Extent sampleBlock{block, block + blockBytes};
    // Delta decoding rewrites the block in place; it must not touch what was checked.
    bool delta = (get16(m, HDR_FLAGS) & FLAG_DELTA_SAMPLES) != 0;

    uint32_t songLength = get32(m, HDR_SONG_LENGTH);
    bool seen[MAX_PATTERNS] = {};
    for (uint32_t k = 0; k < songLength; ++k) {
        uint32_t pattern = get8(m, HDR_ORDERS + k);
        if (seen[pattern]) continue;
        seen[pattern] = true;
        Extent e{0, 0};
        if (!checkPattern(m, pattern, k, &e)) return false;
        if (delta && overlaps(e, sampleBlock))
            return fail(m, e.from, "pattern %u overlaps the delta-coded sample data", pattern);
    }

    uint32_t instruments = get32(m, HDR_INSTRUMENT_COUNT);
    for (uint32_t n = 1; n <= instruments; ++n) {
        Extent e{0, 0};
        if (!checkInstrument(m, n, &e)) return false;
        if (delta && overlaps(e, sampleBlock))
            return fail(m, e.from, "instrument %u overlaps the delta-coded sample data", n);
    }
    return true;
}

}  // namespace mxm
