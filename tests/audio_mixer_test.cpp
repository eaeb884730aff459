// Mixer: voice walks, gains and integer semantics at their bounds on hand-set voices;
// chunk independence and separate states through renderFrames with the real sequencer.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "audio/mixer.h"
#include "player/player.h"
#include "tools/mxm_builder.h"

namespace {

mxm::PlayerState g_state;

using Frames = std::vector<int32_t>;
constexpr uint8_t S16 = mxm::SAMPLE_16BIT, LOOP = mxm::SAMPLE_LOOP, PINGPONG = mxm::SAMPLE_PINGPONG,
                  BACKWARDS = mxm::SAMPLE_BACKWARDS;

std::vector<uint8_t> pcm16(std::initializer_list<int> points) {
    std::vector<uint8_t> out;
    for (int v : points) out.insert(out.end(), {static_cast<uint8_t>(v & 0xFF), static_cast<uint8_t>(v >> 8 & 0xFF)});
    return out;
}

// Left output of 16-bit points at full volume, panned hard left.
Frames hardLeft(std::initializer_list<int> points) {
    Frames out;
    for (int v : points) out.push_back((v * 32640) >> 16);
    return out;
}

// Exactly five points stored, so a read past the last shows up under the address sanitizer.
const std::vector<uint8_t> FIVE = pcm16({1000, 2000, 3000, 4000, 5000});

// One channel at speed 255, a note on row 0.
mxmb::Module tickSong(uint8_t tempo) {
    mxmb::Module m;
    m.channelCount = 1;
    m.initialSpeed = 255;
    m.initialTempo = tempo;
    m.orders = {0};
    m.patterns.push_back(mxmb::Pattern::empty(4));
    m.instruments.emplace_back().samples.push_back(mxmb::Sample::looped8({100, 50, -100, 50}, 0));
    m.patterns[0].rows[0] = {mxmb::note(0, 49, 1)};
    return m;
}

void startFresh(std::vector<uint8_t>& module) {
    ASSERT_TRUE(mxm::loadModule(&g_state, module.data()));
    g_state.tickCountdown = 0;  // the countdown outlives a load
    mxm::startSong(g_state, 0);
}

// One voice set by hand on a loaded, stopped module, from position `pos` (32.32).
struct Voice {
    const char* what;
    const std::vector<uint8_t>& data;
    uint8_t flags;
    int32_t end, other;
    uint16_t step;
    uint8_t pan;
    int64_t pos;
    Frames left;  // expected left output, one per frame
};

TEST(MixerVoice, WalksBoundsAndGains) {
    const std::vector<uint8_t> full8 = {127, 127, 127}, full16 = pcm16({32767, 32767, 32767}),
                               apart = pcm16({-32768, 32767, 32767});
    const Voice cases[] = {
        {"one-shot", FIVE, S16, 4, 1, 1024, 0, 0, hardLeft({1000, 2000, 3000, 4000, 0, 0})},
        {"forward loop", FIVE, S16 | LOOP, 4, 1, 1024, 0, 0,
         hardLeft({1000, 2000, 3000, 4000, 2000, 3000, 4000, 2000})},
        {"ping-pong", FIVE, S16 | PINGPONG, 4, 1, 1024, 0, 0,
         hardLeft({1000, 2000, 3000, 4000, 5000, 4000, 3000, 2000, 3000, 4000, 5000, 4000})},
        // No advance, no sound, no division.
        {"step 0", FIVE, S16 | LOOP, 4, 1, 0, 0, int64_t{2} << 32, hardLeft({0, 0})},
        {"zero-length loop", FIVE, S16 | LOOP, 2, 2, 1024, 0, 0, hardLeft({1000, 2000, 0, 0})},
        {"zero-length ping-pong", FIVE, S16 | PINGPONG, 2, 2, 1024, 0, 0, hardLeft({1000, 2000, 0, 0})},
        // At 1 + 1023/1024 moving backward one point a frame, the third frame sits at -1/1024.
        {"backward below a first-point loop start", FIVE, S16 | PINGPONG | BACKWARDS, 0, 4, 1024, 0,
         (int64_t{1} << 32) | 0xFFC00000, hardLeft({2000 + 999, 1000 + 999, 1000, 2000})},
        {"8-bit, full volume, hard left", full8, 0, 2, 0, 1024, 0, 0, {16192, 16192}},
        {"centre is one step right of the middle", full16, S16, 2, 0, 1024, 128, 0, {8127, 8127}},
        // Points 65,535 apart: the product wraps in 32 bits, -32768 + (wrap(65535 × 0xC000) >> 16).
        {"wrapping interpolation", apart, S16, 2, 0, 768, 0, 0, {-32768 * 32640 >> 16, -24481}},
    };
    std::vector<uint8_t> module = mxmb::build(tickSong(125));
    ASSERT_TRUE(mxm::loadModule(&g_state, module.data()));
    for (const Voice& c : cases) {
        mxm::ChannelRecord& ch = g_state.channels[0];
        ch = {};
        ch.active = 1, ch.sampleData = c.data.data(), ch.endBound = c.end, ch.otherBound = c.other;
        ch.voiceFlags = c.flags, ch.restartPos = -1, ch.step = c.step, ch.mixVolume = 128, ch.mixPan = c.pan;
        ch.posInt = static_cast<int32_t>(c.pos >> 32), ch.posFrac = static_cast<uint32_t>(c.pos);
        const size_t frames = c.left.size();
        Frames buf(2 * frames, 12345), left, right;
        EXPECT_EQ(audio::mixSpan(g_state, uint32_t(frames), buf.data()), buf.data() + 2 * frames) << c.what;
        for (size_t k = 0; k < 2 * frames; k += 2) left.push_back(buf[k]), right.push_back(buf[k + 1]);
        EXPECT_EQ(left, c.left) << c.what;
        EXPECT_EQ(right, Frames(frames, c.pan == 0 ? 0 : 8191)) << c.what;
        EXPECT_TRUE(c.step != 0 || ch.posInt == 2) << c.what << ": moved";
    }
}

TEST(MixerPcm, ConvertClampsAndStoresLittleEndian) {
    const int32_t in[4] = {40000, -40000, -1, 258};
    const int16_t expect[4] = {32500, -32500, -1, 258};
    uint8_t out[8];
    audio::convertToPcm16(in, out, 8);
    for (int k = 0; k < 4; ++k) EXPECT_EQ(static_cast<int16_t>(out[2 * k] | (out[2 * k + 1] << 8)), expect[k]) << k;
}

// The tick song at speed 3 with a second, 16-bit ping-pong voice, vibrato, a slide and a
// tempo change (137, then 99: ticks of fractional length): something changes every tick.
std::vector<uint8_t> renderPcm(uint32_t frames, uint32_t chunk) {
    mxmb::Module m = tickSong(137);
    m.channelCount = 2;
    m.initialSpeed = 3;
    m.instruments.emplace_back().samples.push_back(mxmb::Sample::oneShot16({-28000, -5000, 20000, 29000, 0, -15000}));
    m.instruments[1].samples[0].flags = PINGPONG;
    auto& rows = m.patterns[0].rows;
    rows[0].push_back(mxmb::note(1, 37, 2));
    rows[1] = {mxmb::effect(0, 0x04, 0x48), mxmb::effect(1, 0x01, 0x08)};
    rows[2] = {mxmb::note(0, 73, 1), mxmb::effect(1, 0x0A, 0x02)};
    rows[3] = {mxmb::effect(0, 0x0F, 99)};
    std::vector<uint8_t> module = mxmb::build(m);
    startFresh(module);
    Frames mix(2 * chunk);
    std::vector<uint8_t> pcm(4 * static_cast<size_t>(frames));
    for (uint32_t done = 0, n; done < frames; done += n) {
        n = std::min(frames - done, chunk);
        audio::renderFrames(g_state, n, mix.data());
        audio::convertToPcm16(mix.data(), pcm.data() + 4 * static_cast<size_t>(done), 4 * n);
    }
    return pcm;
}

TEST(RenderFrames, OutputDoesNotDependOnRequestSize) {
    const uint32_t frames = 44100 * 2;
    std::vector<uint8_t> reference = renderPcm(frames, 1102);
    EXPECT_NE(reference, std::vector<uint8_t>(reference.size(), 0));
    for (uint32_t chunk : {1u, 7u, 882u, 16376u}) EXPECT_EQ(renderPcm(frames, chunk), reference) << chunk;
}

// A state that is not playing renders silence and does not tick; two states play side by side.
TEST(RenderFrames, EachStateRendersOnItsOwn) {
    std::vector<uint8_t> module = mxmb::build(tickSong(125)), copy = module;
    startFresh(module);
    static mxm::PlayerState other;
    ASSERT_TRUE(mxm::loadModule(&other, copy.data()));
    Frames a(2 * 500), b(2 * 500, 7);
    audio::renderFrames(other, 500, b.data());
    EXPECT_EQ(b, Frames(2 * 500, 0));
    EXPECT_EQ(other.tickCountdown, 0u);
    mxm::startSong(other, 0);
    audio::renderFrames(g_state, 500, a.data());
    audio::renderFrames(other, 500, b.data());
    EXPECT_EQ(a, b);
}

}  // namespace
