// The game's music through the real player and mixer: the module validates, and one
// whole pass through the song sounds in every order without leaning on the clamp.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <vector>

#include "mixer.h"
#include "player.h"
#include "validate.h"

namespace {

mxm::PlayerState g_state;  // static: the player state is large

constexpr uint32_t FRAMES_PER_ORDER = 64 * 5 * 882;  // rows × ticks per row × frames per tick
constexpr int ORDERS = 6;

std::vector<uint8_t> songBytes() {
    std::ifstream in(SKARVO_SONG_MODULE, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(MusicRender, ModuleValidates) {
    std::vector<uint8_t> m = songBytes();
    ASSERT_EQ(m.size(), 31571u);
    mxm::ValidationError err{};
    EXPECT_TRUE(mxm::validateModule(m.data(), m.size(), &err)) << err.message << " at byte " << err.offset;
}

struct Levels {
    double rms = 0;
    int32_t peak = 0;
    uint64_t clamped = 0;
};

// Renders `orders` order positions' worth of frames, in the game's request size, and
// measures each order's output after the 16-bit clamp.
std::vector<Levels> render(int orders) {
    std::vector<Levels> out(orders);
    std::vector<int32_t> mix(2 * 1102);
    for (int o = 0; o < orders; ++o) {
        double sum = 0;
        uint32_t left = FRAMES_PER_ORDER;
        while (left > 0) {
            uint32_t n = left < 1102 ? left : 1102;
            audio::renderFrames(n, mix.data());
            for (uint32_t k = 0; k < 2 * n; ++k) {
                int32_t v = mix[k];
                if (v >= audio::OUTPUT_CLAMP || v <= -audio::OUTPUT_CLAMP) ++out[o].clamped;
                v = std::max(-audio::OUTPUT_CLAMP, std::min(audio::OUTPUT_CLAMP, v));
                out[o].peak = std::max(out[o].peak, std::abs(v));
                sum += static_cast<double>(v) * v;
            }
            left -= n;
        }
        out[o].rms = std::sqrt(sum / (2.0 * FRAMES_PER_ORDER));
    }
    return out;
}

TEST(MusicRender, EveryOrderSoundsAndTheClampIsRare) {
    std::vector<uint8_t> m = songBytes();
    ASSERT_EQ(m.size(), 31571u);
    ASSERT_TRUE(mxm::loadModule(&g_state, m.data()));
    mxm::startSong(0);
    // One pass, then the first order again: the loop back to the start must neither
    // fall silent nor jump in level.
    std::vector<Levels> levels = render(ORDERS + 1);
    uint64_t clamped = 0;
    for (int o = 0; o < ORDERS; ++o) {
        EXPECT_GT(levels[o].rms, 1000.0) << "order " << o << " is (nearly) silent";
        EXPECT_GT(levels[o].peak, 8000) << "order " << o;
        clamped += levels[o].clamped;
    }
    EXPECT_LT(static_cast<double>(clamped), 0.001 * 2.0 * ORDERS * FRAMES_PER_ORDER);
    EXPECT_NEAR(levels[ORDERS].rms, levels[0].rms, 0.15 * levels[0].rms) << "the loop back to the start changes the level";
    mxm::stopSong();
}

}  // namespace
