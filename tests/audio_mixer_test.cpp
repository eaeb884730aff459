// Mixer: voice walks, gains and integer semantics on hand-set voices; tick spacing
// and chunk independence through renderFrames with the real sequencer.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "mixer.h"
#include "mxm_builder.h"
#include "player.h"

namespace {

mxm::PlayerState g_state;

constexpr uint8_t S16 = mxm::SAMPLE_16BIT;
constexpr uint8_t LOOP = mxm::SAMPLE_LOOP;
constexpr uint8_t PINGPONG = mxm::SAMPLE_PINGPONG;
constexpr uint8_t BACKWARDS = mxm::SAMPLE_BACKWARDS;

std::vector<uint8_t> pcm16(std::initializer_list<int> points) {
    std::vector<uint8_t> out;
    for (int v : points) {
        out.push_back(static_cast<uint8_t>(v & 0xFF));
        out.push_back(static_cast<uint8_t>((v >> 8) & 0xFF));
    }
    return out;
}

// Left output of a 16-bit point at full volume, panned hard left.
int32_t hardLeft16(int32_t v) { return (v * 32640) >> 16; }

// A loaded (silent) module gives the mixer its state; voices are then set by hand.
class MixerVoice : public ::testing::Test {
  protected:
    void SetUp() override {
        mxmb::Module m;
        m.channelCount = 1;
        m.orders = {0};
        m.patterns.push_back(mxmb::Pattern::empty(1));
        mxmb::Instrument ins;
        ins.samples.push_back(mxmb::Sample::oneShot8({0}));
        m.instruments.push_back(ins);
        module_ = mxmb::build(m);
        ASSERT_TRUE(mxm::loadModule(&g_state, module_.data()));
    }

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
        int32_t* end = audio::mixSpan(frames, buf.data());
        EXPECT_EQ(end, buf.data() + 2 * frames);
        std::vector<int32_t> left;
        for (uint32_t k = 0; k < frames; ++k) left.push_back(buf[2 * k]);
        return left;
    }

    std::vector<int32_t> expectLeft(std::initializer_list<int> points) {
        std::vector<int32_t> out;
        for (int v : points) out.push_back(hardLeft16(v));
        return out;
    }

    std::vector<uint8_t> module_;
};

// Points 0..4; exactly five stored, so a read past the stored point at the bound
// shows up under the address sanitizer.
const std::vector<uint8_t> FIVE = pcm16({1000, 2000, 3000, 4000, 5000});

TEST_F(MixerVoice, OneShotPlaysToItsEndThenStops) {
    mxm::ChannelRecord& ch = voice(FIVE, S16, 4, 0, 1024);
    EXPECT_EQ(mixLeft(4), expectLeft({1000, 2000, 3000, 4000}));
    // The end is handled even when the span ended on it.
    EXPECT_EQ(ch.active, 0);
    EXPECT_EQ(mixLeft(2), expectLeft({0, 0}));

    voice(FIVE, S16, 4, 0, 1024);
    EXPECT_EQ(mixLeft(6), expectLeft({1000, 2000, 3000, 4000, 0, 0}));

    // A start beyond the end stops the voice without mixing a frame.
    mxm::ChannelRecord& far = voice(FIVE, S16, 4, 0, 1024);
    far.restartPos = 9;
    EXPECT_EQ(mixLeft(3), expectLeft({0, 0, 0}));
    EXPECT_EQ(far.active, 0);
}

TEST_F(MixerVoice, ForwardLoopWrapsAndKeepsTheFraction) {
    voice(FIVE, S16 | LOOP, 4, 1, 1024);
    EXPECT_EQ(mixLeft(8), expectLeft({1000, 2000, 3000, 4000, 2000, 3000, 4000, 2000}));

    // Step 1.5: 0, 1.5, 3, then 4.5 wraps to 1.5.
    mxm::ChannelRecord& ch = voice(FIVE, S16 | LOOP, 4, 1, 1536);
    mixLeft(3);
    EXPECT_EQ(ch.posInt, 1);
    EXPECT_EQ(ch.posFrac, 0x80000000u);
    mixLeft(2);
    EXPECT_EQ(ch.posInt, 1);
    EXPECT_EQ(ch.posFrac, 0x80000000u);

    // A start far past the loop end comes back by whole loop lengths: 11 → 8 → 5 → 2.
    voice(FIVE, S16 | LOOP, 4, 1, 1024).restartPos = 11;
    EXPECT_EQ(mixLeft(3), expectLeft({3000, 4000, 2000}));
}

TEST_F(MixerVoice, PingPongTurnsAtBothBounds) {
    mxm::ChannelRecord& ch = voice(FIVE, S16 | PINGPONG, 4, 1, 1024);
    EXPECT_EQ(mixLeft(12), expectLeft({1000, 2000, 3000, 4000, 5000, 4000, 3000, 2000, 3000, 4000, 5000, 4000}));
    EXPECT_TRUE(ch.voiceFlags & BACKWARDS);
    EXPECT_EQ(ch.endBound, 1);
    EXPECT_EQ(ch.otherBound, 4);
    // Both loop bits: ping-pong wins.
    voice(FIVE, S16 | LOOP | PINGPONG, 4, 1, 1024);
    EXPECT_EQ(mixLeft(6), expectLeft({1000, 2000, 3000, 4000, 5000, 4000}));
}

TEST_F(MixerVoice, BackwardReadBelowAFirstPointLoopStartReadsTheFirstPoint) {
    // 1 + 1023/1024 moving backward toward a loop start of 0 at one point per frame:
    // the run counts one frame more, at position -1/1024.
    mxm::ChannelRecord& ch = voice(FIVE, S16 | PINGPONG | BACKWARDS, 0, 4, 1024);
    ch.restartPos = -1;
    ch.posInt = 1;
    ch.posFrac = 0xFFC00000u;
    std::vector<int32_t> left = mixLeft(4);
    EXPECT_EQ(left[0], hardLeft16(2000 + 999));
    EXPECT_EQ(left[1], hardLeft16(1000 + 999));
    EXPECT_EQ(left[2], hardLeft16(1000));
    // After that frame P = -1 - 1/1024, reflected about 0 to 1 + 1/1024, forward again.
    EXPECT_FALSE(ch.voiceFlags & BACKWARDS);
    EXPECT_EQ(left[3], hardLeft16(2000));
}

TEST_F(MixerVoice, SoundChoicesForDegenerateVoices) {
    // Step 0: no advance, no sound, no division; it plays once the step comes back.
    mxm::ChannelRecord& still = voice(FIVE, S16 | LOOP, 4, 1, 0);
    still.restartPos = 2;
    EXPECT_EQ(mixLeft(3), expectLeft({0, 0, 0}));
    EXPECT_EQ(still.posInt, 2);
    EXPECT_EQ(still.active, 1);
    still.step = 1024;
    EXPECT_EQ(mixLeft(2), expectLeft({3000, 4000}));

    // Zero-length loops stop the voice at the loop end, forward and ping-pong.
    mxm::ChannelRecord& empty = voice(FIVE, S16 | LOOP, 2, 2, 1024);
    EXPECT_EQ(mixLeft(4), expectLeft({1000, 2000, 0, 0}));
    EXPECT_EQ(empty.active, 0);
    mxm::ChannelRecord& emptyPing = voice(FIVE, S16 | PINGPONG, 2, 2, 1024);
    EXPECT_EQ(mixLeft(4), expectLeft({1000, 2000, 0, 0}));
    EXPECT_EQ(emptyPing.active, 0);

    // An inactive record keeps its pending restart.
    mxm::ChannelRecord& idle = voice(FIVE, S16, 4, 0, 1024);
    idle.active = 0;
    idle.restartPos = 3;
    EXPECT_EQ(mixLeft(2), expectLeft({0, 0}));
    EXPECT_EQ(idle.restartPos, 3);
}

TEST_F(MixerVoice, GainsAndIntegerSemantics) {
    std::vector<int32_t> buf(2);
    // 8-bit 127 at full volume, hard left.
    const std::vector<uint8_t> loud8 = {127, 127};
    voice(loud8, 0, 1, 0, 1024, 128, 0);
    audio::mixSpan(1, buf.data());
    EXPECT_EQ(buf[0], 16192);
    EXPECT_EQ(buf[1], 0);

    // 16-bit centre pan is one step right of the middle.
    const std::vector<uint8_t> loud16 = pcm16({32767, 32767});
    voice(loud16, S16, 1, 0, 1024, 128, 128);
    audio::mixSpan(1, buf.data());
    EXPECT_EQ(buf[0], 8127);
    EXPECT_EQ(buf[1], 8191);
    voice(loud16, S16, 1, 0, 1024, 128, 0);
    audio::mixSpan(1, buf.data());
    EXPECT_EQ(buf[0], 16319);

    // 8-bit interpolation drops fractions below one 8-bit step, rounding down.
    const std::vector<uint8_t> tiny8 = {0, 0xFF, 0xFF};  // 0, -1
    voice(tiny8, 0, 2, 0, 512, 128, 0);                  // frames at 0 and 0.5
    std::vector<int32_t> two(4);
    audio::mixSpan(2, two.data());
    EXPECT_EQ(two[0], 0);
    EXPECT_EQ(two[2], -128);  // v = -1: (-1 × 8,355,840) >> 16

    // Points more than 32,767 apart: the interpolation product wraps in 32 bits.
    const std::vector<uint8_t> wide = pcm16({-32768, 32767, 32767});
    voice(wide, S16, 2, 0, 768, 128, 0);  // second frame at 0.75
    audio::mixSpan(2, two.data());
    EXPECT_EQ(two[0], hardLeft16(-32768));
    EXPECT_EQ(two[2], -24481);  // v = -32768 + (wrap(65535 × 0xC000) >> 16) = -49153

    // Voices add up; inactive records add nothing.
    voice(loud16, S16, 1, 0, 1024, 64, 255);
    g_state.channels[5] = g_state.channels[0];
    audio::mixSpan(1, buf.data());
    EXPECT_EQ(buf[1], 2 * ((32767 * 64 * 255) >> 16));
    g_state.channels[5].active = 0;
}

TEST(MixerPcm, ConvertClampsAndStoresLittleEndian) {
    const int32_t in[7] = {40000, -40000, 32500, -32500, 0, -1, 258};
    uint8_t out[16];
    std::memset(out, 0xAA, sizeof out);
    audio::convertToPcm16(in, out, 15);  // odd count: 7 samples
    const int16_t expect[7] = {32500, -32500, 32500, -32500, 0, -1, 258};
    for (int k = 0; k < 7; ++k) {
        int16_t v = static_cast<int16_t>(out[2 * k] | (out[2 * k + 1] << 8));
        EXPECT_EQ(v, expect[k]) << k;
    }
    EXPECT_EQ(out[14], 0xAA);
    audio::convertToPcm16(in, out, 0);
    EXPECT_EQ(out[0], 500 & 0xFF);
}

// ---- renderFrames with the sequencer ----

// A song whose tick count can be read off the state: speed 255, so `tick` counts calls.
std::vector<uint8_t> tickModule(uint8_t tempo) {
    mxmb::Module m;
    m.channelCount = 1;
    m.initialSpeed = 255;
    m.initialTempo = tempo;
    m.orders = {0};
    m.patterns.push_back(mxmb::Pattern::empty(4));
    mxmb::Instrument ins;
    ins.samples.push_back(mxmb::Sample::looped8({100, 100, 100, 100}, 0));
    m.instruments.push_back(ins);
    m.patterns[0].rows[0] = {mxmb::note(0, 49, 1)};
    return mxmb::build(m);
}

void startFresh(std::vector<uint8_t>& module) {
    ASSERT_TRUE(mxm::loadModule(&g_state, module.data()));
    g_state.tickCountdown = 0;
    mxm::startSong(0);
}

// Ticks run since startSong, for the speed-255 song.
int ticksRun() { return g_state.tick == 254 ? 0 : g_state.tick + 1; }

TEST(RenderFrames, TicksFallOnTheTempoSpacing) {
    std::vector<uint8_t> module = tickModule(125);
    startFresh(module);
    std::vector<int32_t> out(2 * 1000, 7);
    audio::renderFrames(0, out.data());
    EXPECT_EQ(ticksRun(), 0);
    EXPECT_EQ(out[0], 7);

    audio::renderFrames(1000, out.data());
    EXPECT_EQ(ticksRun(), 2);  // before frame 0 and before frame 882
    EXPECT_EQ(g_state.tickCountdown, 195584u);
    // The note of the first tick sounds from frame 0.
    EXPECT_NE(out[0], 0);

    // Frame 882 is the first frame after the second tick, whatever the request size.
    startFresh(module);
    audio::renderFrames(882, out.data());
    EXPECT_EQ(ticksRun(), 1);
    EXPECT_EQ(g_state.tickCountdown, 0u);
    audio::renderFrames(1, out.data());
    EXPECT_EQ(ticksRun(), 2);

    // Tempo 120: 918.75 frames a tick, the fraction carried; 4 ticks in 3,675 frames.
    std::vector<uint8_t> slow = tickModule(120);
    startFresh(slow);
    std::vector<int32_t> big(2 * 3675);
    audio::renderFrames(3675, big.data());
    EXPECT_EQ(ticksRun(), 4);
    EXPECT_EQ(g_state.tickCountdown, 0u);
}

TEST(RenderFrames, SilentAndTimelessWhileNotPlaying) {
    std::vector<uint8_t> module = tickModule(125);
    ASSERT_TRUE(mxm::loadModule(&g_state, module.data()));
    g_state.tickCountdown = 1000;
    std::vector<int32_t> out(2 * 500, 99);
    audio::renderFrames(500, out.data());
    for (int32_t v : out) ASSERT_EQ(v, 0);
    EXPECT_EQ(g_state.tickCountdown, 1000u);
    EXPECT_EQ(g_state.tick, 0);
}

// A small song with 8- and 16-bit voices, loops of both kinds, slides and vibrato.
std::vector<uint8_t> busyModule() {
    mxmb::Module m;
    m.channelCount = 3;
    m.initialSpeed = 3;
    m.initialTempo = 137;
    m.orders = {0, 0};
    m.patterns.push_back(mxmb::Pattern::empty(16));
    std::vector<int32_t> saw8, sine16;
    for (int k = 0; k < 64; ++k) saw8.push_back(k * 4 - 128);
    for (int k = 0; k < 100; ++k) sine16.push_back((k % 50) * 1200 - 30000);
    mxmb::Instrument a, b, c;
    a.samples.push_back(mxmb::Sample::looped8(saw8, 16));
    mxmb::Sample ping = mxmb::Sample::oneShot16(sine16);
    ping.flags = PINGPONG;
    ping.loopStart = 0;
    b.samples.push_back(ping);
    c.samples.push_back(mxmb::Sample::oneShot8(saw8));
    m.instruments = {a, b, c};
    auto& rows = m.patterns[0].rows;
    rows[0] = {mxmb::note(0, 49, 1), mxmb::note(1, 37, 2), mxmb::note(2, 61, 3)};
    rows[3] = {mxmb::effect(0, 0x04, 0x48), mxmb::effect(1, 0x01, 0x08)};
    rows[8] = {mxmb::note(0, 56, 1), mxmb::effect(1, 0x0A, 0x02), mxmb::note(2, 73, 3)};
    rows[12] = {mxmb::effect(0, 0x0F, 99)};
    return mxmb::build(m);
}

std::vector<uint8_t> renderPcm(uint32_t frames, uint32_t chunk) {
    std::vector<uint8_t> module = busyModule();
    startFresh(module);
    std::vector<int32_t> mix(2 * chunk);
    std::vector<uint8_t> pcm(4 * static_cast<size_t>(frames));
    for (uint32_t done = 0; done < frames;) {
        uint32_t n = frames - done < chunk ? frames - done : chunk;
        audio::renderFrames(n, mix.data());
        audio::convertToPcm16(mix.data(), pcm.data() + 4 * static_cast<size_t>(done), 4 * n);
        done += n;
    }
    return pcm;
}

TEST(RenderFrames, OutputDoesNotDependOnRequestSize) {
    const uint32_t frames = 44100 * 2;
    std::vector<uint8_t> reference = renderPcm(frames, 1102);
    bool sound = false;
    for (uint8_t b : reference) sound = sound || b != 0;
    EXPECT_TRUE(sound);
    for (uint32_t chunk : {1u, 7u, 882u, 16376u}) EXPECT_EQ(renderPcm(frames, chunk), reference) << chunk;
}

}  // namespace
