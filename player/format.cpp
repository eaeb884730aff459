// format.cpp — header copy, delta decoding and the pattern byte stream.
#include "format.h"

#include <cstring>

namespace mxm {

void readHeader(ModuleHeader& h, const uint8_t* module) {
    std::memcpy(h.magic, module, 4);
    h.songLength = read32(module + 4);
    h.restartOrder = read32(module + 8);
    h.channelCount = read32(module + 12);
    h.patternCount = read32(module + 16);
    h.instrumentCount = read32(module + 20);
    h.initialSpeed = module[24];
    h.initialTempo = module[25];
    h.flags = read16(module + 26);
    h.sampleDataOffset = read32(module + 28);
    h.sampleBytes8 = read32(module + 32);
    h.sampleWords16 = read32(module + 36);
    h.minPeriod = static_cast<int32_t>(read32(module + 40));
    h.maxPeriod = static_cast<int32_t>(read32(module + 44));
    std::memcpy(h.channelPanning, module + 48, 32);
    std::memcpy(h.orders, module + 80, 256);
    // The three tables are one run of u32 offsets from byte 336 on.
    const uint8_t* table = module + 336;
    for (uint32_t i = 0; i < 128; ++i, table += 4) h.instrumentOffsets[i] = module + read32(table);
    for (uint32_t i = 0; i < 256; ++i, table += 4) h.patternOffsets[i] = module + read32(table);
    for (uint32_t i = 0; i < 2048; ++i, table += 4) h.sampleOffsets[i] = module + read32(table);
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
        if (flags & CELL_HAS_NOTE) p += 2;
        if (flags & CELL_HAS_VOLUME) p += 1;
        if (flags & CELL_HAS_EFFECT) p += 2;
    }
    return p;
}

}  // namespace mxm
