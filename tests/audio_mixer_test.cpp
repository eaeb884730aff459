// Mixer: voice walks, gains and integer semantics on hand-set voices; tick spacing
// and chunk independence through renderFrames with the real sequencer.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
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

// Points 0..4; exactly five stored, so a read past the stored point at the bound
// shows up under the address sanitizer.
const std::vector<uint8_t> FIVE = pcm16({1000, 2000, 3000, 4000, 5000});

// One channel at speed 255 (so `tick` counts calls), a note on row 0.
mxmb::Module tickSong(uint8_t tempo) {
    mxmb::Module m;
    m.channelCount = 1;
    m.initialSpeed = 255;
    m.initialTempo = tempo;
    m.orders = {0};
    m.patterns.push_back(mxmb::Pattern::empty(4));
    mxmb::Instrument ins;
    ins.samples.push_back(mxmb::Sample::looped8({100, 50, -100, 50}, 0));
    m.instruments.push_back(ins);
    m.patterns[0].rows[0] = {mxmb::note(0, 49, 1)};
    return m;
}

// A loaded, stopped module gives the mixer its state; voices are then set by hand.
class MixerVoice : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(mxm::loadModule(&g_state, module_.data())); }

    mxm::ChannelRecord& voice(const std::vector<uint8_t>& data, uint8_t flags, int32_t end, int32_t other,
                              uint16_t step, uint16_t volume = 128, uint8_t pan = 0) {
        mxm::ChannelRecord& ch = g_state.channels[0];
        ch.active = 1;
        ch.sampleData = data.data();
        ch.voiceFlags = flags;
        ch.endBound = end;
        ch.otherBound = other;
        ch.step = step;
        ch.mixVolume = volume;
        ch.mixPan = pan;
        ch.restartPos = 0;
        return ch;
    }

    std::vector<int32_t> mixLeft(uint32_t frames) {
        std::vector<int32_t> buf(2 * frames, 12345);
        EXPECT_EQ(audio::mixSpan(frames, buf.data()), buf.data() + 2 * frames);
        std::vector<int32_t> left;
        for (uint32_t k = 0; k < frames; ++k) left.push_back(buf[2 * k]);
        return left;
    }

    std::vector<uint8_t> module_ = mxmb::build(tickSong(125));
};

TEST_F(MixerVoice, OneShotPlaysToItsEndThenStops) {
    mxm::ChannelRecord& ch = voice(FIVE, S16, 4, 0, 1024);
    EXPECT_EQ(mixLeft(4), hardLeft({1000, 2000, 3000, 4000}));
    EXPECT_EQ(ch.active, 0);  // the end is handled even when the span ended on it
    EXPECT_EQ(mixLeft(2), hardLeft({0, 0}));
    // A start beyond the end stops the voice without mixing a frame.
    voice(FIVE, S16, 4, 0, 1024).restartPos = 9;
    EXPECT_EQ(mixLeft(3), hardLeft({0, 0, 0}));
    EXPECT_EQ(ch.active, 0);
}

TEST_F(MixerVoice, ForwardLoopWrapsAndKeepsTheFraction) {
    voice(FIVE, S16 | LOOP, 4, 1, 1024);
    EXPECT_EQ(mixLeft(8), hardLeft({1000, 2000, 3000, 4000, 2000, 3000, 4000, 2000}));
    // Step 1.5: 0, 1.5, 3, then 4.5 wraps to 1.5.
    mxm::ChannelRecord& ch = voice(FIVE, S16 | LOOP, 4, 1, 1536);
    mixLeft(3);
    EXPECT_EQ(ch.posInt, 1);
    EXPECT_EQ(ch.posFrac, 0x80000000u);
    // A start far past the loop end comes back by whole loop lengths: 11 → 8 → 5 → 2.
    voice(FIVE, S16 | LOOP, 4, 1, 1024).restartPos = 11;
    EXPECT_EQ(mixLeft(3), hardLeft({3000, 4000, 2000}));
}

TEST_F(MixerVoice, PingPongTurnsAtBothBounds) {
    mxm::ChannelRecord& ch = voice(FIVE, S16 | PINGPONG, 4, 1, 1024);
    EXPECT_EQ(mixLeft(12), hardLeft({1000, 2000, 3000, 4000, 5000, 4000, 3000, 2000, 3000, 4000, 5000, 4000}));
    EXPECT_TRUE(ch.voiceFlags & BACKWARDS);
    EXPECT_EQ(ch.endBound, 1);
    EXPECT_EQ(ch.otherBound, 4);
    voice(FIVE, S16 | LOOP | PINGPONG, 4, 1, 1024);  // both loop bits: ping-pong wins
    EXPECT_EQ(mixLeft(6).back(), hardLeft({4000})[0]);
}

TEST_F(MixerVoice, BackwardReadBelowAFirstPointLoopStartReadsTheFirstPoint) {
    // 1 + 1023/1024 moving backward toward a loop start of 0 at one point per frame:
    // the run counts one frame more, at position -1/1024.
    mxm::ChannelRecord& ch = voice(FIVE, S16 | PINGPONG | BACKWARDS, 0, 4, 1024);
    ch.restartPos = -1;
    ch.posInt = 1;
    ch.posFrac = 0xFFC00000u;
    // After the third frame P = -1 - 1/1024, reflected about 0 to 1 + 1/1024, forward again.
    EXPECT_EQ(mixLeft(4), hardLeft({2000 + 999, 1000 + 999, 1000, 2000}));
    EXPECT_FALSE(ch.voiceFlags & BACKWARDS);
}

TEST_F(MixerVoice, SoundChoicesForDegenerateVoices) {
    // Step 0: no advance, no sound, no division; it plays once the step comes back.
    mxm::ChannelRecord& ch = voice(FIVE, S16 | LOOP, 4, 1, 0);
    ch.restartPos = 2;
    EXPECT_EQ(mixLeft(3), hardLeft({0, 0, 0}));
    EXPECT_EQ(ch.posInt, 2);
    EXPECT_EQ(ch.active, 1);
    ch.step = 1024;
    EXPECT_EQ(mixLeft(2), hardLeft({3000, 4000}));

    // Zero-length loops stop the voice at the loop end, forward and ping-pong.
    for (uint8_t loop : {LOOP, PINGPONG}) {
        voice(FIVE, S16 | loop, 2, 2, 1024);
        EXPECT_EQ(mixLeft(4), hardLeft({1000, 2000, 0, 0})) << int(loop);
        EXPECT_EQ(ch.active, 0);
    }
}

TEST_F(MixerVoice, GainsAndIntegerSemantics) {
    std::vector<int32_t> buf(4);
    auto mix = [&](const std::vector<uint8_t>& data, uint8_t flags, uint16_t step, uint8_t pan) {
        voice(data, flags, 2, 0, step, 128, pan);
        audio::mixSpan(2, buf.data());
    };
    const std::vector<uint8_t> loud16 = pcm16({32767, 32767, 32767});
    mix({127, 127, 127}, 0, 1024, 0);  // 8-bit, full volume, hard left
    EXPECT_EQ(buf[0], 16192);
    EXPECT_EQ(buf[1], 0);
    mix(loud16, S16, 1024, 128);  // centre is one step right of the middle
    EXPECT_EQ(buf[0], 8127);
    EXPECT_EQ(buf[1], 8191);
    // 8-bit interpolation drops fractions below one 8-bit step: halfway from 0 to -1 is -1.
    mix({0, 0xFF, 0xFF}, 0, 512, 0);
    EXPECT_EQ(buf[2], -128);
    // Points more than 32,767 apart: the interpolation product wraps in 32 bits,
    // v = -32768 + (wrap(65535 × 0xC000) >> 16) = -49153 at 0.75.
    mix(pcm16({-32768, 32767, 32767}), S16, 768, 0);
    EXPECT_EQ(buf[2], -24481);

    voice(loud16, S16, 1, 0, 1024, 64, 255);  // voices add up
    g_state.channels[5] = g_state.channels[0];
    audio::mixSpan(1, buf.data());
    EXPECT_EQ(buf[1], 2 * ((32767 * 64 * 255) >> 16));
    g_state.channels[5].active = 0;
}

TEST(MixerPcm, ConvertClampsAndStoresLittleEndian) {
    const int32_t in[7] = {40000, -40000, 32500, -32500, 0, -1, 258};
    const int16_t expect[7] = {32500, -32500, 32500, -32500, 0, -1, 258};
    uint8_t out[16];
    std::memset(out, 0xAA, sizeof out);
    audio::convertToPcm16(in, out, 15);  // odd count: 7 samples
    for (int k = 0; k < 7; ++k) EXPECT_EQ(static_cast<int16_t>(out[2 * k] | (out[2 * k + 1] << 8)), expect[k]) << k;
    EXPECT_EQ(out[14], 0xAA);
}

// ---- renderFrames with the sequencer ----

void startFresh(std::vector<uint8_t>& module) {
    ASSERT_TRUE(mxm::loadModule(&g_state, module.data()));
    g_state.tickCountdown = 0;
    mxm::startSong(0);
}

// Ticks run since startSong, for the speed-255 song.
int ticksRun() { return g_state.tick == 254 ? 0 : g_state.tick + 1; }

TEST(RenderFrames, TicksFallOnTheTempoSpacing) {
    std::vector<uint8_t> module = mxmb::build(tickSong(125));
    ASSERT_TRUE(mxm::loadModule(&g_state, module.data()));  // loaded, not started: silent and timeless
    g_state.tickCountdown = 1000;
    std::vector<int32_t> out(2 * 3675, 99);
    audio::renderFrames(500, out.data());
    EXPECT_EQ(std::count(out.begin(), out.begin() + 1000, 0), 1000);
    EXPECT_EQ(g_state.tickCountdown, 1000u);
    EXPECT_EQ(g_state.tick, 0);

    startFresh(module);
    out[0] = 7;
    audio::renderFrames(0, out.data());
    EXPECT_EQ(ticksRun(), 0);
    EXPECT_EQ(out[0], 7);
    audio::renderFrames(1000, out.data());
    EXPECT_EQ(ticksRun(), 2);  // before frame 0 and before frame 882
    EXPECT_EQ(g_state.tickCountdown, 195584u);
    EXPECT_NE(out[0], 0);  // the note of the first tick sounds from frame 0

    // Frame 882 is the first frame after the second tick, whatever the request size.
    startFresh(module);
    audio::renderFrames(882, out.data());
    EXPECT_EQ(ticksRun(), 1);
    EXPECT_EQ(g_state.tickCountdown, 0u);
    audio::renderFrames(1, out.data());
    EXPECT_EQ(ticksRun(), 2);

    // Tempo 120: 918.75 frames a tick, the fraction carried; 4 ticks in 3,675 frames.
    std::vector<uint8_t> slow = mxmb::build(tickSong(120));
    startFresh(slow);
    audio::renderFrames(3675, out.data());
    EXPECT_EQ(ticksRun(), 4);
    EXPECT_EQ(g_state.tickCountdown, 0u);
}

// The tick song at speed 3 with a second, 16-bit ping-pong voice, vibrato, a slide
// and a tempo change: something changes on every tick.
std::vector<uint8_t> renderPcm(uint32_t frames, uint32_t chunk) {
    mxmb::Module m = tickSong(137);
    m.channelCount = 2;
    m.initialSpeed = 3;
    std::vector<int32_t> saw;
    for (int k = 0; k < 64; ++k) saw.push_back(k * 900 - 28000);
    m.instruments.emplace_back().samples.push_back(mxmb::Sample::oneShot16(saw));
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
        audio::renderFrames(n, mix.data());
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
