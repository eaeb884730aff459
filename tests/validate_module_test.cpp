// Module validation: valid modules pass; a module broken in exactly one way is
// rejected with a message naming the fault.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mxm_builder.h"
#include "validate.h"

namespace {

using Bytes = std::vector<uint8_t>;

uint32_t rd32(const Bytes& b, size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (uint32_t{b[at + 3]} << 24);
}
void wr32(Bytes& b, size_t at, uint32_t v) {
    for (int k = 0; k < 4; ++k) b[at + k] = static_cast<uint8_t>(v >> (8 * k));
}

size_t instrumentAt(const Bytes& b, int n) { return rd32(b, 336 + 4 * (n - 1)); }
size_t patternAt(const Bytes& b, int p) { return rd32(b, 848 + 4 * p); }
size_t sampleRecordAt(const Bytes& b, int n, int k) { return instrumentAt(b, n) + 256 + 16 * k; }

// Two channels, two patterns, an 8-bit looping instrument with envelopes and a
// 16-bit ping-pong one; delta-coded.
Bytes validModule() {
    mxmb::Module m;
    m.channelCount = 2;
    m.orders = {0, 1, 0};
    m.restartOrder = 1;
    m.deltaSamples = true;
    m.patterns = {mxmb::Pattern::empty(8), mxmb::Pattern::empty(4)};
    m.patterns[0].rows[0] = {mxmb::note(0, 49, 1), mxmb::note(1, 61, 2)};
    m.patterns[1].rows[1] = {mxmb::keyOff(0), mxmb::effect(1, mxmb::extended(0x6), 1)};
    mxmb::Instrument a, b;
    a.samples.push_back(mxmb::Sample::looped8({0, 40, 80, 40, 0, -40, -80, -40}, 2));
    a.volEnv = {{{4, 64}, {8, 32}, {0, 16}}, 1, 0, 1};  // sustain 1, loop 0..1
    a.panEnv.points = {{10, 0}, {0, 64}};
    mxmb::Sample ping = mxmb::Sample::oneShot16({100, -2000, 30000, -30000, 500});
    ping.flags = 0x10;  // ping-pong
    ping.loopStart = 1;
    b.samples.push_back(ping);
    b.samples.push_back(mxmb::Sample::oneShot8({1, 2, 3}));
    b.sampleMap[60] = 1;
    m.instruments = {a, b};
    return mxmb::build(m);
}

std::string rejection(const Bytes& b) {
    mxm::ValidationError err;
    return mxm::validateModule(b.data(), b.size(), &err) ? "" : err.message;
}

TEST(ValidateModule, ValidModulePassesAndEveryTruncationIsRejected) {
    // The last stored sample point is read, so no prefix of the module is enough.
    Bytes m = validModule();
    EXPECT_EQ(rejection(m), "");
    for (size_t size = 0; size < m.size(); ++size) ASSERT_FALSE(mxm::validateModule(m.data(), size, nullptr)) << size;
}

struct Breakage {
    const char* what;
    void (*apply)(Bytes&);
    const char* expect;  // part of the message
};

TEST(ValidateModule, EachCheckRejectsItsFault) {
    const std::vector<Breakage> cases = {
        {"magic", [](Bytes& b) { b[3] = 1; }, "magic"},
        {"restart order", [](Bytes& b) { wr32(b, 8, 3); }, "restart order"},
        {"channels 33", [](Bytes& b) { wr32(b, 12, 33); }, "channel count"},
        {"speed", [](Bytes& b) { b[24] = 0; }, "speed"},
        {"period bound", [](Bytes& b) { wr32(b, 40, 0x80000000u); }, "minimum period"},
        {"pattern in header", [](Bytes& b) { wr32(b, 848 + 4, 16); }, "pattern 1"},
        {"order to unwritten pattern", [](Bytes& b) { b[81] = 7; }, "pattern 7"},
        {"note 98", [](Bytes& b) { b[patternAt(b, 0) + 5] = 98; }, "note 98"},
        {"channel not below count", [](Bytes& b) { b[patternAt(b, 0) + 7] = 0x22; }, "channel count"},
        {"instrument past end", [](Bytes& b) { wr32(b, 340, static_cast<uint32_t>(b.size() - 100)); }, "instrument 2"},
        {"auto-vibrato type", [](Bytes& b) { b[instrumentAt(b, 1) + 102] = 4; }, "auto-vibrato type"},
        {"volume envelope last point", [](Bytes& b) { b[instrumentAt(b, 1) + 106] = 12; }, "last point"},
        {"panning envelope point value", [](Bytes& b) { b[instrumentAt(b, 1) + 158 + 4 + 6] = 65; },
         "panning envelope point 1"},
        {"sample volume", [](Bytes& b) { b[sampleRecordAt(b, 2, 1) + 9] = 65; }, "volume 65"},
        {"loop start beyond end", [](Bytes& b) { wr32(b, sampleRecordAt(b, 1, 0), 9); }, "loop start"},
        {"8-bit sample in 16-bit part", [](Bytes& b) { wr32(b, 1872 + 8, rd32(b, 28) + rd32(b, 32) - 1); },
         "8-bit sample 2"},
        {"16-bit sample misaligned", [](Bytes& b) { wr32(b, 1872 + 4, rd32(b, 1872 + 4) + 1); }, "16-bit sample 1"},
        {"sample block past end", [](Bytes& b) { wr32(b, 36, rd32(b, 36) + 1); }, "sample data"},
        {"delta block over a pattern",
         [](Bytes& b) {
             uint32_t to = rd32(b, 28) + rd32(b, 32);
             wr32(b, 28, static_cast<uint32_t>(patternAt(b, 1)));
             wr32(b, 32, to - static_cast<uint32_t>(patternAt(b, 1)));
         },
         "overlaps"},
    };
    Bytes good = validModule();
    for (const Breakage& c : cases) {
        Bytes b = good;
        c.apply(b);
        std::string message = rejection(b);
        EXPECT_NE(message.find(c.expect), std::string::npos) << c.what << ": \"" << message << "\"";
    }
}

}  // namespace
