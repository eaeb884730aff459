// skarvo_placeholder_module OUT — writes a small valid module of exactly the length
// the embedded block reserves for the music, for builds that do not have the song.
// A slow arpeggio on one looped square-wave instrument; the space between the
// patterns and the sample data is padding.
#include <cstdio>
#include <exception>

#include "assets/layout.h"
#include "player/module_layout.h"
#include "tools/mxm_builder.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: skarvo_placeholder_module OUT.mxm\n");
        return 2;
    }
    try {
        mxmb::Module m;
        m.channelCount = 2;
        m.orders = {0};
        mxmb::Pattern p = mxmb::Pattern::empty(64);
        const uint8_t tune[8] = {49, 53, 56, 61, 56, 53, 49, 44};
        for (int i = 0; i < 8; ++i) p.rows[i * 8] = {mxmb::note(0, tune[i], 1)};
        m.patterns.push_back(p);
        std::vector<int32_t> wave(64);
        for (int i = 0; i < 64; ++i) wave[i] = i < 32 ? 24 : -24;
        mxmb::Instrument ins;
        ins.samples.push_back(mxmb::Sample::looped8(wave, 0));
        ins.samples[0].volume = 32;
        m.instruments.push_back(ins);

        std::vector<uint8_t> probe = mxmb::build(m);
        uint32_t dataAt = mxm::read32(probe.data() + mxm::HDR_SAMPLE_DATA);
        uint32_t sampleBytes = static_cast<uint32_t>(probe.size()) - dataAt;
        m.minSampleDataOffset = assets::MODULE_BYTES - sampleBytes;
        std::vector<uint8_t> bytes = mxmb::build(m);
        if (bytes.size() != assets::MODULE_BYTES) {
            std::fprintf(stderr, "skarvo_placeholder_module: built %zu bytes, expected %u\n", bytes.size(),
                         assets::MODULE_BYTES);
            return 1;
        }
        FILE* f = std::fopen(argv[1], "wb");
        if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size() || std::fclose(f) != 0) {
            std::fprintf(stderr, "skarvo_placeholder_module: cannot write %s\n", argv[1]);
            return 1;
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "skarvo_placeholder_module: %s\n", e.what());
        return 1;
    }
    return 0;
}
