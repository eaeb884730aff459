// Platform costs: a whole game frame on the headless backend (software renderer),
// the sprite batch's end, the texture decode of the backdrop, and our cosine beside the
// C library's.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "assets/embedded.h"
#include "gameplay/game_state.h"
#include "math/trig.h"
#include "platform/headless/headless.h"
#include "platform/image.h"
#include "shell/entry.h"

namespace {

void startOnce() {
    static bool started = [] {
        setenv("SDL_AUDIODRIVER", "dummy", 0);
        skarvo::startUp();
        return true;
    }();
    (void)started;
}

void BM_HeadlessFrame(benchmark::State& state) {
    startOnce();
    uint32_t clock = 1000;
    for (auto _ : state) {
        platform::headlessSetClock(clock += 16);
        skarvo::runFrame();
    }
}
BENCHMARK(BM_HeadlessFrame)->Unit(benchmark::kMillisecond);

void BM_SpriteBatch128(benchmark::State& state) {
    startOnce();
    platform::SpriteBatch* batch = skarvo::spriteBatch();
    const math::Vec3 centre{0.5f, 0.5f, 0.0f};
    for (auto _ : state) {
        platform::spriteBegin(batch);
        for (int i = 0; i < 128; ++i) {
            const math::Vec3 pos{static_cast<float>(i * 5 % 600), static_cast<float>(i * 7 % 400), (i % 3) * 0.25f};
            platform::spriteDraw(batch, skarvo::game.textures[assets::BOOT], centre, pos, 0xFFFFFFFF);
        }
        platform::spriteEnd(batch);
        platform::present();  // draws it all
    }
}
BENCHMARK(BM_SpriteBatch128)->Unit(benchmark::kMillisecond);

void BM_DecodeBackdrop(benchmark::State& state) {
    for (auto _ : state) {
        platform::Image image;
        benchmark::DoNotOptimize(
            platform::decodeImage(assets::imageData(0), assets::imageLength(0), 0xFF000000, &image));
    }
}
BENCHMARK(BM_DecodeBackdrop)->Unit(benchmark::kMillisecond);

// Spawn angles: 32-bit integers spread over the whole range.
void BM_CosInt(benchmark::State& state) {
    uint32_t a = 12345;
    for (auto _ : state) benchmark::DoNotOptimize(math::cosInt(static_cast<int32_t>(a += 2654435761u)));
}
BENCHMARK(BM_CosInt);

void BM_CosIntCLibrary(benchmark::State& state) {
    uint32_t a = 12345;
    for (auto _ : state)
        benchmark::DoNotOptimize(std::cos(static_cast<double>(static_cast<int32_t>(a += 2654435761u))));
}
BENCHMARK(BM_CosIntCLibrary);

// Half spin angles of a long game: floats up to a few ten thousand radians.
void BM_SinFloat(benchmark::State& state) {
    float x = 0.0f;
    for (auto _ : state) {
        benchmark::DoNotOptimize(math::sinFloat(x));
        x = x < 50000.0f ? x + 7.3f : 0.0f;
    }
}
BENCHMARK(BM_SinFloat);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    // Like the game, end without tearing anything down: the music thread may still run.
    std::fflush(nullptr);
    std::_Exit(0);
}
