// Mixer: voice walks, gains and integer semantics on hand-set voices; tick spacing
// and chunk independence through renderFrames with the real sequencer.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "mixer.h"
#include "mxm_builder.h"
#include "player.h"

namespace {

mxm::PlayerState g_state;

constexpr uint8_t S16 = mxm::SAMPLE_16BIT, LOOP = mxm::SAMPLE_LOOP, PINGPONG = mxm::SAMPLE_PINGPONG,
                  BACKWARDS = mxm::SAMPLE_BACKWARDS;

std::vector<uint8_t> pcm16(std::initializer_list<int> points) {
    std::vector<uint8_t> out;
    for (int v : points) out.insert(out.end(), {static_cast<uint8_t>(v & 0xFF), static_cast<uint8_t>(v >> 8 & 0xFF)});
    return out;
}

// Left output of 16-bit points at full volume, panned hard left.
std::vector<int32_t> hardLeft(std::initializer_list<int> points) {
    std::vector<int32_t> out;
    for (int v : points) out.push_back((v * 32640) >> 16);
    return out;
}

// Exactly five points stored, so a read past the last shows up under the address sanitizer.
const std::vector<uint8_t> FIVE = pcm16({1000, 2000, 3000, 4000, 5000});

// One channel at speed 255 (so `tick` counts calls), a note on row 0.
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

// A loaded, stopped module gives the mixer its state; voices are then set by hand.
class MixerVoice : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(mxm::loadModule(&g_state, module_.data())); }

    mxm::ChannelRecord& voice(const std::vector<uint8_t>& data, uint8_t flags, int32_t end, int32_t other,
                              uint16_t step, uint8_t pan = 0) {
        mxm::ChannelRecord& ch = g_state.channels[0];
        ch.active = 1;
        ch.sampleData = data.data();
        ch.voiceFlags = flags;
        ch.endBound = end;
        ch.otherBound = other;
        ch.step = step;
        ch.mixVolume = 128;
        ch.mixPan = pan;
        ch.restartPos = 0;
        return ch;
    }

    std::vector<int32_t> mixLeft(uint32_t frames) {
        std::vector<int32_t> buf(2 * frames, 12345);
        EXPECT_EQ(audio::mixSpan(g_state, frames, buf.data()), buf.data() + 2 * frames);
        std::vector<int32_t> left;
        for (uint32_t k = 0; k < frames; ++k) left.push_back(buf[2 * k]);
        return left;
    }

    std::vector<uint8_t> module_ = mxmb::build(tickSong(125));
};

TEST_F(MixerVoice, OneShotForwardAndPingPongWalks) {
    const std::pair<uint8_t, std::vector<int32_t>> cases[] = {
        {S16, hardLeft({1000, 2000, 3000, 4000, 0, 0})},
        {S16 | LOOP, hardLeft({1000, 2000, 3000, 4000, 2000, 3000, 4000, 2000})},
        {S16 | PINGPONG, hardLeft({1000, 2000, 3000, 4000, 5000, 4000, 3000, 2000, 3000, 4000, 5000, 4000})},
    };
    for (const auto& [flags, expect] : cases) {
        voice(FIVE, flags, 4, 1, 1024);
        EXPECT_EQ(mixLeft(static_cast<uint32_t>(expect.size())), expect) << int(flags);
    }
}

TEST_F(MixerVoice, StepZeroAndZeroLengthLoops) {
    mxm::ChannelRecord& ch = voice(FIVE, S16 | LOOP, 4, 1, 0);
    ch.restartPos = 2;
    EXPECT_EQ(mixLeft(2), hardLeft({0, 0}));  // no advance, no sound, no division
    EXPECT_EQ(ch.posInt, 2);
    for (uint8_t loop : {LOOP, PINGPONG}) {
        voice(FIVE, S16 | loop, 2, 2, 1024);
        EXPECT_EQ(mixLeft(4), hardLeft({1000, 2000, 0, 0})) << int(loop);
    }
}

TEST_F(MixerVoice, BackwardReadBelowAFirstPointLoopStartReadsTheFirstPoint) {
    // At 1 + 1023/1024 moving backward one point a frame, the third frame sits at -1/1024.
    mxm::ChannelRecord& ch = voice(FIVE, S16 | PINGPONG | BACKWARDS, 0, 4, 1024);
    ch.restartPos = -1;
    ch.posInt = 1;
    ch.posFrac = 0xFFC00000u;
    EXPECT_EQ(mixLeft(4), hardLeft({2000 + 999, 1000 + 999, 1000, 2000}));
}

TEST_F(MixerVoice, GainsAndWrappingInterpolation) {
    std::vector<int32_t> buf(4);
    auto mix = [&](const std::vector<uint8_t>& data, uint8_t flags, uint16_t step, uint8_t pan) {
        voice(data, flags, 2, 0, step, pan);
        audio::mixSpan(g_state, 2, buf.data());
    };
    mix({127, 127, 127}, 0, 1024, 0);  // 8-bit, full volume, hard left
    EXPECT_EQ(buf, (std::vector<int32_t>{16192, 0, 16192, 0}));
    mix(pcm16({32767, 32767, 32767}), S16, 1024, 128);  // centre is one step right of the middle
    EXPECT_EQ(buf, (std::vector<int32_t>{8127, 8191, 8127, 8191}));
    // Points 65,535 apart: the product wraps in 32 bits, -32768 + (wrap(65535 × 0xC000) >> 16).
    mix(pcm16({-32768, 32767, 32767}), S16, 768, 0);
    EXPECT_EQ(buf[2], -24481);
}

TEST(MixerPcm, ConvertClampsAndStoresLittleEndian) {
    const int32_t in[4] = {40000, -40000, -1, 258};
    const int16_t expect[4] = {32500, -32500, -1, 258};
    uint8_t out[8];
    audio::convertToPcm16(in, out, 8);
    for (int k = 0; k < 4; ++k) EXPECT_EQ(static_cast<int16_t>(out[2 * k] | (out[2 * k + 1] << 8)), expect[k]) << k;
}

TEST(RenderFrames, AThousandFramesRunTicksBeforeFramesZeroAnd882) {
    std::vector<uint8_t> module = mxmb::build(tickSong(125));
    startFresh(module);
    std::vector<int32_t> out(2000);
    audio::renderFrames(g_state, 1000, out.data());
    EXPECT_EQ(g_state.tick, 1);  // two ticks since the start at 254
    EXPECT_EQ(g_state.tickCountdown, 195584u);
    EXPECT_NE(out[0], 0);  // the first tick's note sounds from frame 0
}

// The tick song at speed 3 with a second, 16-bit ping-pong voice, vibrato, a slide
// and a tempo change: something changes on every tick.
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
    std::vector<int32_t> mix(2 * chunk);
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

}  // namespace
