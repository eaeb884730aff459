// info.cpp — `mxm info FILE`: what a module holds, in readable form.
#include <cstdio>
#include <cstring>
#include <string>

#include "player/module_layout.h"
#include "tools/mxm/commands.h"

namespace mxmtool {

namespace {

const char* const USAGE =
    "usage: mxm info FILE\n"
    "\n"
    "Prints the header fields, the order list, the patterns with their row counts and\n"
    "the instruments with their samples, envelopes and auto-vibrato. FILE may be\n"
    "--embedded for the game's own module. The module is validated first.\n";

// Fields of a validated module.
struct Reader {
    const std::vector<uint8_t>& b;
    uint32_t u8(size_t at) const { return b[at]; }
    uint32_t u16(size_t at) const { return mxm::read16(b.data() + at); }
    uint32_t u32(size_t at) const { return mxm::read32(b.data() + at); }
};

const char* const WAVE_NAMES[4] = {"sine", "ramp up", "square", "ramp down"};

std::string flagNames(uint32_t flags) {
    std::string s = (flags & mxm::FLAG_LINEAR_PERIODS) ? "linear periods" : "Amiga periods";
    if (flags & mxm::FLAG_KEEP_CHANNEL_PANNING) s += ", keep channel panning";
    if (flags & mxm::FLAG_DELTA_SAMPLES) s += ", delta-coded samples";
    return s;
}

void printEnvelope(const Reader& r, size_t at, const char* name) {
    uint32_t last = r.u8(at + mxm::ENV_LAST), sustain = r.u8(at + mxm::ENV_SUSTAIN);
    uint32_t loopStart = r.u8(at + mxm::ENV_LOOP_START), loopEnd = r.u8(at + mxm::ENV_LOOP_END);
    if (last == 0) {
        std::printf("    %s envelope: off (constant %u)\n", name, r.u8(at + mxm::envPointAt(0) + mxm::ENV_POINT_VALUE));
        return;
    }
    std::printf("    %s envelope: %u points, tick:value", name, last + 1);
    uint32_t tick = 0;
    for (uint32_t i = 0; i <= last; ++i) {
        std::printf(" %u:%u", tick, r.u8(at + mxm::envPointAt(i) + mxm::ENV_POINT_VALUE));
        tick += r.u16(at + mxm::envPointAt(i) + mxm::ENV_POINT_LENGTH);
    }
    if (sustain <= last) std::printf("; sustain at point %u", sustain);
    if (loopEnd <= last) std::printf("; loop points %u..%u", loopStart, loopEnd);
    std::printf("\n");
}

// "1-96 → 0" style runs of the note-to-sample map.
void printSampleMap(const Reader& r, size_t at, uint32_t sampleCount) {
    std::printf("    notes:");
    const size_t map = at + mxm::INS_SAMPLE_MAP;
    const int notes = mxm::NOTES;
    int start = 0;
    for (int k = 1; k <= notes; ++k) {
        if (k < notes && r.u8(map + k) == r.u8(map + start)) continue;
        uint32_t s = r.u8(map + start);
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
    uint32_t loopStart = r.u32(rec + mxm::SMP_LOOP_START), end = r.u32(rec + mxm::SMP_END);
    uint32_t flags = r.u8(rec + mxm::SMP_FLAGS);
    int16_t pitch = static_cast<int16_t>(r.u16(rec + mxm::SMP_RELATIVE_PITCH));
    std::printf("    sample %u: number %u, %s, ", k, r.u16(rec + mxm::SMP_NUMBER),
                (flags & mxm::SAMPLE_16BIT) ? "16-bit" : "8-bit");
    if (flags & mxm::SAMPLE_PINGPONG)
        std::printf("ping-pong loop %u..%u", loopStart, end);
    else if (flags & mxm::SAMPLE_LOOP)
        std::printf("forward loop %u..%u", loopStart, end);
    else
        std::printf("one-shot, %u points", end);
    std::printf(", volume %u, panning %u, relative pitch %d/256 semitone\n", r.u8(rec + mxm::SMP_VOLUME),
                r.u8(rec + mxm::SMP_PANNING), pitch);
}

// Rows and cells of a pattern the validator has checked.
void printPattern(const Reader& r, uint32_t n, size_t at) {
    uint32_t rows = r.u32(at + mxm::PATTERN_ROW_COUNT);
    size_t p = at + mxm::PATTERN_HEAD_BYTES;
    uint32_t cells = 0, notes = 0;
    for (uint32_t row = 0; row < rows; ++row) {
        while (uint8_t flag = static_cast<uint8_t>(r.u8(p))) {
            ++cells;
            if ((flag & mxm::CELL_HAS_NOTE) && r.u8(p + 1) != 0) ++notes;
            p += mxm::cellBytes(flag);
        }
        ++p;
    }
    std::printf("  %3u: %u rows, %u cells, %u notes, %zu bytes at offset %zu\n", n, rows, cells, notes, p - at, at);
}

void printHeader(const Reader& r, const ModuleImage& image) {
    uint32_t channels = r.u32(mxm::HDR_CHANNEL_COUNT);
    std::printf("module: %s (%zu bytes)\n", image.name.c_str(), image.bytes.size());
    std::printf("  channels %u, song length %u, restart order %u, patterns %u, instruments %u\n", channels,
                r.u32(mxm::HDR_SONG_LENGTH), r.u32(mxm::HDR_RESTART_ORDER), r.u32(mxm::HDR_PATTERN_COUNT),
                r.u32(mxm::HDR_INSTRUMENT_COUNT));
    std::printf("  initial speed %u, initial tempo %u BPM\n", r.u8(mxm::HDR_INITIAL_SPEED),
                r.u8(mxm::HDR_INITIAL_TEMPO));
    uint32_t flags = r.u16(mxm::HDR_FLAGS);
    std::printf("  flags 0x%04x (%s)\n", flags, flagNames(flags).c_str());
    std::printf("  period bounds %d..%d\n", static_cast<int32_t>(r.u32(mxm::HDR_MIN_PERIOD)),
                static_cast<int32_t>(r.u32(mxm::HDR_MAX_PERIOD)));
    std::printf("  sample data at offset %u: %u bytes of 8-bit points, %u 16-bit points\n", r.u32(mxm::HDR_SAMPLE_DATA),
                r.u32(mxm::HDR_SAMPLE_BYTES8), r.u32(mxm::HDR_SAMPLE_WORDS16));
    std::printf("  channel panning:");
    for (uint32_t c = 0; c < channels; ++c) std::printf(" %u", r.u8(mxm::HDR_CHANNEL_PANNING + c));
    std::printf("\n");
}

// The order list, then the patterns it plays and those it leaves out.
void printOrdersAndPatterns(const Reader& r) {
    std::printf("orders:");
    bool used[mxm::MAX_PATTERNS] = {};
    for (uint32_t k = 0; k < r.u32(mxm::HDR_SONG_LENGTH); ++k) {
        std::printf(" %u", r.u8(mxm::HDR_ORDERS + k));
        used[r.u8(mxm::HDR_ORDERS + k)] = true;
    }
    std::printf("\n");

    std::printf("patterns:\n");
    for (uint32_t n = 0; n < mxm::MAX_PATTERNS; ++n) {
        if (used[n])
            printPattern(r, n, r.u32(mxm::patternEntryAt(n)));
        else if (n < r.u32(mxm::HDR_PATTERN_COUNT))
            std::printf("  %3u: not in the order list\n", n);
    }
}

void printInstrument(const Reader& r, uint32_t n) {
    size_t at = r.u32(mxm::instrumentEntryAt(n - 1));
    uint32_t samples = r.u32(at + mxm::INS_SAMPLE_COUNT);
    std::printf("  %u: %u sample%s, fade-out %u per tick\n", n, samples, samples == 1 ? "" : "s",
                r.u16(at + mxm::INS_FADE_OUT));
    uint32_t depth = r.u8(at + mxm::INS_AUTO_VIB_DEPTH);
    if (depth != 0)
        std::printf("    auto-vibrato: %s, depth %u, rate %u, sweep %u ticks\n",
                    WAVE_NAMES[r.u8(at + mxm::INS_AUTO_VIB_TYPE)], depth, r.u8(at + mxm::INS_AUTO_VIB_RATE),
                    r.u8(at + mxm::INS_AUTO_VIB_SWEEP));
    else
        std::printf("    auto-vibrato: none\n");
    printEnvelope(r, at + mxm::INS_VOL_ENV, "volume");
    printEnvelope(r, at + mxm::INS_PAN_ENV, "panning");
    printSampleMap(r, at, samples);
    for (uint32_t k = 0; k < samples; ++k) printSample(r, at + mxm::sampleRecordAt(k), k);
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
    printHeader(r, image);
    printOrdersAndPatterns(r);
    std::printf("instruments:\n");
    for (uint32_t n = 1; n <= r.u32(mxm::HDR_INSTRUMENT_COUNT); ++n) printInstrument(r, n);
    return EXIT_OK;
}

}  // namespace mxmtool
