// info.cpp — `mxm info FILE`: what a module holds, in readable form.
#include <cstdio>
#include <cstring>
#include <string>

#include "commands.h"

namespace mxmtool {

namespace {

const char* const USAGE =
    "usage: mxm info FILE\n"
    "\n"
    "Prints the header fields, the order list, the patterns with their row counts and\n"
    "the instruments with their samples, envelopes and auto-vibrato. FILE may be\n"
    "--embedded for the game's own module. The module is validated first.\n";

struct Reader {
    const std::vector<uint8_t>& b;
    uint32_t u8(size_t at) const { return b[at]; }
    uint32_t u16(size_t at) const { return b[at] | (b[at + 1] << 8); }
    uint32_t u32(size_t at) const { return u16(at) | (u16(at + 2) << 16); }
};

const char* const WAVE_NAMES[4] = {"sine", "ramp up", "square", "ramp down"};

std::string flagNames(uint32_t flags) {
    std::string s = (flags & 1) ? "linear periods" : "Amiga periods";
    if (flags & 2) s += ", keep channel panning";
    if (flags & 4) s += ", delta-coded samples";
    return s;
}

void printEnvelope(const Reader& r, size_t at, const char* name) {
    uint32_t last = r.u8(at), sustain = r.u8(at + 1), loopStart = r.u8(at + 2), loopEnd = r.u8(at + 3);
    if (last == 0) {
        std::printf("    %s envelope: off (constant %u)\n", name, r.u8(at + 6));
        return;
    }
    std::printf("    %s envelope: %u points, tick:value", name, last + 1);
    uint32_t tick = 0;
    for (uint32_t i = 0; i <= last; ++i) {
        std::printf(" %u:%u", tick, r.u8(at + 4 + 4 * i + 2));
        tick += r.u16(at + 4 + 4 * i);
    }
    if (sustain <= last) std::printf("; sustain at point %u", sustain);
    if (loopEnd <= last) std::printf("; loop points %u..%u", loopStart, loopEnd);
    std::printf("\n");
}

// "1-96 → 0" style runs of the note-to-sample map.
void printSampleMap(const Reader& r, size_t at, uint32_t sampleCount) {
    std::printf("    notes:");
    int start = 0;
    for (int k = 1; k <= 96; ++k) {
        if (k < 96 && r.u8(at + 4 + k) == r.u8(at + 4 + start)) continue;
        uint32_t s = r.u8(at + 4 + start);
        if (start == k - 1)
            std::printf(" %d", start + 1);
        else
            std::printf(" %d-%d", start + 1, k);
        if (s < sampleCount)
            std::printf("→%u", s);
        else
            std::printf("→none");
        start = k;
    }
    std::printf("\n");
}

void printSample(const Reader& r, size_t rec, uint32_t k) {
    uint32_t loopStart = r.u32(rec), end = r.u32(rec + 4), flags = r.u8(rec + 8);
    int16_t pitch = static_cast<int16_t>(r.u16(rec + 11));
    std::printf("    sample %u: number %u, %s, ", k, r.u16(rec + 13), (flags & 4) ? "16-bit" : "8-bit");
    if (flags & 0x10)
        std::printf("ping-pong loop %u..%u", loopStart, end);
    else if (flags & 0x08)
        std::printf("forward loop %u..%u", loopStart, end);
    else
        std::printf("one-shot, %u points", end);
    std::printf(", volume %u, panning %u, relative pitch %d/256 semitone\n", r.u8(rec + 9), r.u8(rec + 10), pitch);
}

// Rows and cells of a pattern the validator has checked.
void printPattern(const Reader& r, uint32_t n, size_t at) {
    uint32_t rows = r.u32(at);
    size_t p = at + 4;
    uint32_t cells = 0, notes = 0;
    for (uint32_t row = 0; row < rows; ++row) {
        while (uint32_t flag = r.u8(p)) {
            ++cells;
            if ((flag & 0x20) && r.u8(p + 1) != 0) ++notes;
            p += 1 + ((flag & 0x20) ? 2 : 0) + ((flag & 0x40) ? 1 : 0) + ((flag & 0x80) ? 2 : 0);
        }
        ++p;
    }
    std::printf("  %3u: %u rows, %u cells, %u notes, %zu bytes at offset %zu\n", n, rows, cells, notes, p - at, at);
}

}  // namespace

int runInfo(int argc, char** argv) {
    const char* file = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(USAGE, stdout);
            return EXIT_OK;
        }
        if (int status = takeModuleArg("info", argv[i], file)) return status;
    }
    if (file == nullptr) return usageError("info", "no module given");

    ModuleImage image;
    if (int status = readModule(file, image)) return status;
    Reader r{image.bytes};

    uint32_t songLength = r.u32(4), channels = r.u32(12), patternCount = r.u32(16), instruments = r.u32(20);
    std::printf("module: %s (%zu bytes)\n", image.name.c_str(), image.bytes.size());
    std::printf("  channels %u, song length %u, restart order %u, patterns %u, instruments %u\n", channels, songLength,
                r.u32(8), patternCount, instruments);
    std::printf("  initial speed %u, initial tempo %u BPM\n", r.u8(24), r.u8(25));
    std::printf("  flags 0x%04x (%s)\n", r.u16(26), flagNames(r.u16(26)).c_str());
    std::printf("  period bounds %d..%d\n", static_cast<int32_t>(r.u32(40)), static_cast<int32_t>(r.u32(44)));
    std::printf("  sample data at offset %u: %u bytes of 8-bit points, %u 16-bit points\n", r.u32(28), r.u32(32),
                r.u32(36));
    std::printf("  channel panning:");
    for (uint32_t c = 0; c < channels; ++c) std::printf(" %u", r.u8(48 + c));
    std::printf("\n");

    std::printf("orders:");
    bool used[256] = {};
    for (uint32_t k = 0; k < songLength; ++k) {
        std::printf(" %u", r.u8(80 + k));
        used[r.u8(80 + k)] = true;
    }
    std::printf("\n");

    std::printf("patterns:\n");
    for (uint32_t n = 0; n < 256; ++n) {
        if (used[n])
            printPattern(r, n, r.u32(848 + 4 * n));
        else if (n < patternCount)
            std::printf("  %3u: not in the order list\n", n);
    }

    std::printf("instruments:\n");
    for (uint32_t n = 1; n <= instruments; ++n) {
        size_t at = r.u32(336 + 4 * (n - 1));
        uint32_t samples = r.u32(at);
        std::printf("  %u: %u sample%s, fade-out %u per tick\n", n, samples, samples == 1 ? "" : "s", r.u16(at + 100));
        if (r.u8(at + 104) != 0)
            std::printf("    auto-vibrato: %s, depth %u, rate %u, sweep %u ticks\n", WAVE_NAMES[r.u8(at + 102)],
                        r.u8(at + 104), r.u8(at + 105), r.u8(at + 103));
        else
            std::printf("    auto-vibrato: none\n");
        printEnvelope(r, at + 106, "volume");
        printEnvelope(r, at + 158, "panning");
        printSampleMap(r, at, samples);
        for (uint32_t k = 0; k < samples; ++k) printSample(r, at + 256 + 16 * k, k);
    }
    return EXIT_OK;
}

}  // namespace mxmtool
