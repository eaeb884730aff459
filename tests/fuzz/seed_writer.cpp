// seed_writer.cpp — writes the fuzzer's starting corpus: small valid modules built with
// mxm_builder that between them reach every effect, both period models, delta coding,
// 8- and 16-bit samples with every loop kind, envelopes with sustain and loops, and
// auto-vibrato.
//
//   fuzz_seeds OUTDIR
#include <cstdio>
#include <string>
#include <vector>

#include "mxm_builder.h"

namespace {

std::vector<int32_t> wave(int n, int amplitude, int period) {
    std::vector<int32_t> v;
    for (int k = 0; k < n; ++k) v.push_back(((k % period) * 2 * amplitude) / period - amplitude);
    return v;
}

// Kind 0: forward loop; 1: 16-bit ping-pong from the first point; 2: two one-shot
// samples (8- and 16-bit) split by the note map; 3: a loop on the last point, low pitch.
// Even kinds carry looped envelopes with a sustain point.
mxmb::Instrument instrument(int kind) {
    mxmb::Instrument ins;
    mxmb::Sample ping = mxmb::Sample::oneShot16(wave(80, 20000, 20)), low = mxmb::Sample::looped8(wave(32, 127, 8), 31);
    ping.flags = 0x10;
    low.relativePitch = -700;
    if (kind % 4 == 0) ins.samples = {mxmb::Sample::looped8(wave(64, 100, 16), 8)};
    if (kind % 4 == 1) ins.samples = {ping};
    if (kind % 4 == 2)
        ins.samples = {mxmb::Sample::oneShot8(wave(40, 120, 10)), mxmb::Sample::oneShot16(wave(30, 30000, 6))};
    if (kind % 4 == 3) ins.samples = {low};
    for (int k = 48; k < 96 && kind % 4 == 2; ++k) ins.sampleMap[k] = 1;
    ins.fadeOut = static_cast<uint16_t>(kind * 700);
    ins.autoVibType = static_cast<uint8_t>(kind % 4);
    ins.autoVibDepth = static_cast<uint8_t>(kind * 5 % 32);
    ins.autoVibRate = static_cast<uint8_t>(kind * 37);
    ins.autoVibSweep = static_cast<uint8_t>(kind * 9);
    if (kind % 2 == 0) {
        ins.volEnv = {{{3, 0}, {5, 64}, {9, 20}, {4, 40}, {0, 0}}, 2, 1, 3};
        ins.panEnv = {{{6, 0}, {6, 64}, {0, 32}}, 255, 0, 1};
    }
    return ins;
}

// A song of `channels` channels that walks the effects from `firstEffect` on.
mxmb::Module song(uint32_t channels, int firstEffect, bool linear, bool delta) {
    mxmb::Module m;
    m.channelCount = channels;
    m.linearPeriods = linear;
    m.deltaSamples = delta;
    m.initialSpeed = 3;
    m.initialTempo = static_cast<uint8_t>(90 + firstEffect * 3);
    if (!linear) m.minPeriod = 50, m.maxPeriod = 60000;
    m.orders = {0, 1, 0, 2};
    m.restartOrder = 1;
    for (int k = 0; k < 4; ++k) m.instruments.push_back(instrument(k + firstEffect));
    for (int p = 0; p < 3; ++p) {
        mxmb::Pattern pat = mxmb::Pattern::empty(16 + 8 * p);
        for (int r = 0; r < 16 + 8 * p; ++r)
            for (uint32_t c = 0; c < channels; ++c) {
                int e = (firstEffect + r + 7 * static_cast<int>(c) + 13 * p) % 0x34;
                mxmb::Cell cell = mxmb::effect(static_cast<uint8_t>(c), static_cast<uint8_t>(e),
                                               static_cast<uint8_t>((r * 37 + c * 11) & 0xFF));
                if ((r + c) % 3 == 0) {  // notes, key-offs every eleventh row
                    cell.hasNote = true;
                    cell.note = static_cast<uint8_t>(r % 11 == 10 ? 97 : 30 + (r * 5 + c * 7) % 50);
                    cell.instrument = static_cast<uint8_t>(1 + (r + c) % 4);
                }
                cell.hasVolume = (r + c) % 4 == 1;
                cell.volume = static_cast<uint8_t>((r * 29 + c * 17) & 0xFF);
                pat.rows[r].push_back(cell);
            }
        m.patterns.push_back(pat);
    }
    return m;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_seeds OUTDIR\n");
        return 2;
    }
    // Between them: 1 to 32 channels, both period models, with and without delta coding;
    // chosen as the five of a larger set that start the fuzzer on the most coverage.
    const struct {
        uint32_t channels;
        int firstEffect;
        bool linear, delta;
    } songs[] = {
        {1, 0, true, false}, {2, 5, true, true}, {8, 17, true, true}, {2, 47, false, true}, {32, 3, true, true}};
    int written = 0;
    for (const auto& s : songs) {
        std::string path = std::string(argv[1]) + "/seed-" + std::to_string(written++) + ".mxm";
        std::vector<uint8_t> bytes = mxmb::build(song(s.channels, s.firstEffect, s.linear, s.delta));
        FILE* f = std::fopen(path.c_str(), "wb");
        if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size() || std::fclose(f) != 0) {
            std::perror(path.c_str());
            return 1;
        }
    }
    std::printf("%d seed modules in %s\n", written, argv[1]);
    return 0;
}
