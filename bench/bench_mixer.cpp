// bench_mixer.cpp — cost of the render driver and of the voice mixer.
//
// renderFrames on songs (ticks included) in the streaming thread's request size of
// 1,102 frames, with frames per second and the real-time factor as counters; mixSpan
// per voice-frame for 8-bit and 16-bit voices.
#include <benchmark/benchmark.h>

#include <vector>

#include "assets/embedded.h"
#include "audio/mixer.h"
#include "player/player.h"
#include "tools/mxm_builder.h"

namespace {

constexpr uint32_t REQUEST = 1102;  // frames per streaming-thread iteration
constexpr double RATE = 44100;

mxm::PlayerState g_state;

std::vector<int32_t> tone(int n, int amplitude, int harmonics) {
    std::vector<int32_t> v;
    for (int k = 0; k < n; ++k) {
        int s = 0;
        for (int h = 1; h <= harmonics; ++h) s += ((k * h * 7) % 64 - 32) * amplitude / (32 * h);
        v.push_back(s / 2);
    }
    return v;
}

// Every channel sounds all the time: looping samples of a few thousand points,
// a note every four rows per channel, sustained envelopes, vibrato and slides.
std::vector<uint8_t> song(uint32_t channels, bool sixteenBit) {
    mxmb::Module m;
    m.channelCount = channels;
    m.initialSpeed = 5;
    m.initialTempo = 125;
    m.orders = {0};
    m.patterns.push_back(mxmb::Pattern::empty(64));
    for (int k = 0; k < 8; ++k) {
        mxmb::Sample s = mxmb::Sample::looped8(tone(1500 + 300 * k, sixteenBit ? 127 : 100, 1 + k % 4), 200);
        if (sixteenBit) {
            for (int32_t& p : s.points) p *= 200;
            s.is16 = true;
        }
        mxmb::Instrument ins;
        ins.samples.push_back(s);
        ins.volEnv.points = {{4, 64}, {12, 48}, {0, 40}};
        ins.volEnv.sustain = 1;
        ins.autoVibDepth = 6;
        ins.autoVibRate = 40;
        m.instruments.push_back(ins);
    }
    for (int r = 0; r < 64; ++r) {
        for (uint32_t c = 0; c < channels; ++c) {
            if ((r + c) % 4 == 0) {
                mxmb::Cell cell = mxmb::note(static_cast<uint8_t>(c), static_cast<uint8_t>(40 + (r * 3 + c * 5) % 36),
                                             static_cast<uint8_t>(1 + (c + r / 4) % 8));
                cell.hasEffect = true;
                cell.effect = (r / 4) % 2 ? 0x04 : 0x0A;  // vibrato or volume slide
                cell.param = (r / 4) % 2 ? 0x44 : 0x01;
                m.patterns[0].rows[r].push_back(cell);
            }
        }
    }
    return mxmb::build(m);
}

void renderSong(benchmark::State& state, std::vector<uint8_t> module) {
    mxm::loadModule(&g_state, module.data());
    g_state.tickCountdown = 0;
    mxm::startSong(g_state, 0);
    std::vector<int32_t> mix(2 * REQUEST);
    int64_t frames = 0;
    for (auto _ : state) {
        audio::renderFrames(g_state, REQUEST, mix.data());
        benchmark::DoNotOptimize(mix.data());
        frames += REQUEST;
    }
    mxm::stopSong(g_state);
    state.counters["frames/s"] = benchmark::Counter(static_cast<double>(frames), benchmark::Counter::kIsRate);
    state.counters["x_realtime"] = benchmark::Counter(static_cast<double>(frames) / RATE, benchmark::Counter::kIsRate);
}

void BM_RenderFrames_8ch_8bit(benchmark::State& state) { renderSong(state, song(8, false)); }
void BM_RenderFrames_32ch_16bit(benchmark::State& state) { renderSong(state, song(32, true)); }
BENCHMARK(BM_RenderFrames_8ch_8bit);
BENCHMARK(BM_RenderFrames_32ch_16bit);

void BM_RenderFrames_EmbeddedSong(benchmark::State& state) {
    const uint8_t* data = assets::moduleData();
    renderSong(state, std::vector<uint8_t>(data, data + assets::moduleLength()));
}
BENCHMARK(BM_RenderFrames_EmbeddedSong);

// mixSpan alone: 32 looping voices set by hand at an uneven step, no ticks.
void mixVoices(benchmark::State& state, bool sixteenBit) {
    static std::vector<uint8_t> module = song(1, false);
    mxm::loadModule(&g_state, module.data());
    std::vector<uint8_t> data(2 * 4097);
    for (size_t k = 0; k < data.size(); ++k) data[k] = static_cast<uint8_t>(k * 37);
    for (int v = 0; v < mxm::MAX_CHANNELS; ++v) {
        mxm::ChannelRecord& ch = g_state.channels[v];
        ch.active = 1;
        ch.sampleData = data.data();
        ch.voiceFlags = static_cast<uint8_t>(mxm::SAMPLE_LOOP | (sixteenBit ? mxm::SAMPLE_16BIT : 0));
        ch.otherBound = 1000;
        ch.endBound = 4096;
        ch.step = static_cast<uint16_t>(300 + 58 * v);
        ch.mixVolume = 100;
        ch.mixPan = static_cast<uint8_t>(8 * v);
        ch.restartPos = 0;
    }
    std::vector<int32_t> mix(2 * REQUEST);
    int64_t voiceFrames = 0;
    for (auto _ : state) {
        audio::mixSpan(g_state, REQUEST, mix.data());
        benchmark::DoNotOptimize(mix.data());
        voiceFrames += int64_t{REQUEST} * mxm::MAX_CHANNELS;
    }
    // Seconds per voice-frame (shown with an SI prefix, e.g. 1.5n = 1.5 ns).
    state.counters["per_voice_frame"] =
        benchmark::Counter(static_cast<double>(voiceFrames), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_MixSpan_8bit(benchmark::State& state) { mixVoices(state, false); }
void BM_MixSpan_16bit(benchmark::State& state) { mixVoices(state, true); }
BENCHMARK(BM_MixSpan_8bit);
BENCHMARK(BM_MixSpan_16bit);

}  // namespace

BENCHMARK_MAIN();
