// format.cpp — header copy, delta decoding and the pattern byte stream.
#include "player/format.h"

#include <cstring>

namespace mxm {

void readHeader(ModuleHeader& h, const uint8_t* module) {
    std::memcpy(h.magic, module + HDR_MAGIC, 4);
    h.songLength = read32(module + HDR_SONG_LENGTH);
    h.restartOrder = read32(module + HDR_RESTART_ORDER);
    h.channelCount = read32(module + HDR_CHANNEL_COUNT);
    h.patternCount = read32(module + HDR_PATTERN_COUNT);
    h.instrumentCount = read32(module + HDR_INSTRUMENT_COUNT);
    h.initialSpeed = module[HDR_INITIAL_SPEED];
    h.initialTempo = module[HDR_INITIAL_TEMPO];
    h.flags = read16(module + HDR_FLAGS);
    h.sampleDataOffset = read32(module + HDR_SAMPLE_DATA);
    h.sampleBytes8 = read32(module + HDR_SAMPLE_BYTES8);
    h.sampleWords16 = read32(module + HDR_SAMPLE_WORDS16);
    h.minPeriod = static_cast<int32_t>(read32(module + HDR_MIN_PERIOD));
    h.maxPeriod = static_cast<int32_t>(read32(module + HDR_MAX_PERIOD));
    std::memcpy(h.channelPanning, module + HDR_CHANNEL_PANNING, sizeof h.channelPanning);
    std::memcpy(h.orders, module + HDR_ORDERS, sizeof h.orders);
    for (uint32_t i = 0; i < MAX_INSTRUMENTS; ++i)
        h.instrumentOffsets[i] = module + read32(module + instrumentEntryAt(i));
    for (uint32_t i = 0; i < MAX_PATTERNS; ++i) h.patternOffsets[i] = module + read32(module + patternEntryAt(i));
    for (uint32_t i = 0; i < MAX_SAMPLES; ++i) h.sampleOffsets[i] = module + read32(module + sampleEntryAt(i));
}

void decodeDeltaSamples(uint8_t* block, uint32_t bytes8, uint32_t words16) {
    uint8_t sum8 = 0;
    for (uint32_t i = 0; i < bytes8; ++i) {
        sum8 = static_cast<uint8_t>(sum8 + block[i]);
        block[i] = sum8;
    }
    uint8_t* words = block + bytes8;
    uint16_t sum16 = 0;
    for (uint32_t i = 0; i < words16; ++i) {
        sum16 = static_cast<uint16_t>(sum16 + read16(words + 2 * i));
        write16(words + 2 * i, sum16);
    }
}

const uint8_t* readCell(const uint8_t* p, Cell& cell) {
    uint8_t flags = *p++;
    cell = Cell{};
    if (flags & CELL_HAS_NOTE) {
        cell.note = *p++;
        cell.instrument = *p++;
    }
    if (flags & CELL_HAS_VOLUME) cell.volume = *p++;
    if (flags & CELL_HAS_EFFECT) {
        cell.effect = *p++;
        cell.param = *p++;
    }
    return p;
}

const uint8_t* skipRows(const uint8_t* p, uint32_t rows) {
    while (rows != 0) {
        uint8_t flags = *p++;
        if (flags == 0) {
            --rows;
            continue;
        }
        p += cellBytes(flags) - 1;  // the flag byte is behind us
    }
    return p;
}

}  // namespace mxm
