// Module validation: a valid module passes; one broken in exactly one way is rejected
// with a message naming the fault.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "player/module_layout.h"
#include "player/validate.h"
#include "tools/mxm_builder.h"

namespace {

using Bytes = std::vector<uint8_t>;

using namespace mxm;

uint32_t rd32(const Bytes& b, size_t at) { return read32(b.data() + at); }
void wr32(Bytes& b, size_t at, uint32_t v) { write32(b.data() + at, v); }

size_t instrumentAt(const Bytes& b, int n) { return rd32(b, instrumentEntryAt(n - 1)); }
size_t patternAt(const Bytes& b, int p) { return rd32(b, patternEntryAt(p)); }

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
    ping.flags = SAMPLE_PINGPONG;
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

// The last stored sample point is read, so no prefix of the module is enough.
TEST(ValidateModule, ValidModulePassesAndEveryTruncationIsRejected) {
    Bytes m = validModule();
    EXPECT_EQ(rejection(m), "");
    for (size_t size = 0; size < m.size(); ++size) ASSERT_FALSE(mxm::validateModule(m.data(), size, nullptr)) << size;
}

TEST(ValidateModule, EachCheckRejectsItsFault) {
    const struct {
        const char* what;
        void (*apply)(Bytes&);
        const char* expect;  // part of the message
    } cases[] = {
        {"magic", [](Bytes& b) { b[HDR_MAGIC + 3] = 1; }, "magic"},
        {"restart order", [](Bytes& b) { wr32(b, HDR_RESTART_ORDER, 3); }, "restart order"},
        {"channels 33", [](Bytes& b) { wr32(b, HDR_CHANNEL_COUNT, 33); }, "channel count"},
        {"pattern in header", [](Bytes& b) { wr32(b, patternEntryAt(1), 16); }, "pattern 1"},
        {"order to unwritten pattern", [](Bytes& b) { b[HDR_ORDERS + 1] = 7; }, "pattern 7"},
        // Pattern 0, row 0: the flag byte and note of channel 0, then channel 1's flag byte.
        {"note 98", [](Bytes& b) { b[patternAt(b, 0) + PATTERN_HEAD_BYTES + 1] = 98; }, "note 98"},
        {"channel not below count", [](Bytes& b) { b[patternAt(b, 0) + PATTERN_HEAD_BYTES + 3] = 0x22; },
         "channel count"},
        {"instrument past end", [](Bytes& b) { wr32(b, instrumentEntryAt(1), static_cast<uint32_t>(b.size() - 100)); },
         "instrument 2"},
        {"volume envelope last point", [](Bytes& b) { b[instrumentAt(b, 1) + INS_VOL_ENV + ENV_LAST] = 12; },
         "last point"},
        {"panning envelope point value",
         [](Bytes& b) { b[instrumentAt(b, 1) + INS_PAN_ENV + envPointAt(1) + ENV_POINT_VALUE] = 65; },
         "panning envelope point 1"},
        {"loop start beyond end", [](Bytes& b) { wr32(b, instrumentAt(b, 1) + sampleRecordAt(0) + SMP_LOOP_START, 9); },
         "loop start"},
        {"8-bit sample in 16-bit part",
         [](Bytes& b) { wr32(b, sampleEntryAt(2), rd32(b, HDR_SAMPLE_DATA) + rd32(b, HDR_SAMPLE_BYTES8) - 1); },
         "8-bit sample 2"},
        {"sample block past end", [](Bytes& b) { wr32(b, HDR_SAMPLE_WORDS16, rd32(b, HDR_SAMPLE_WORDS16) + 1); },
         "sample data"},
        {"delta block over a pattern",
         [](Bytes& b) {
             uint32_t to = rd32(b, HDR_SAMPLE_DATA) + rd32(b, HDR_SAMPLE_BYTES8);
             wr32(b, HDR_SAMPLE_DATA, static_cast<uint32_t>(patternAt(b, 1)));
             wr32(b, HDR_SAMPLE_BYTES8, to - static_cast<uint32_t>(patternAt(b, 1)));
         },
         "overlaps"},
    };
    for (const auto& c : cases) {
        Bytes b = validModule();
        c.apply(b);
        EXPECT_NE(rejection(b).find(c.expect), std::string::npos) << c.what << ": \"" << rejection(b) << "\"";
    }
}

}  // namespace
