// The game's music through the real player and mixer: the module validates, and one
// whole pass through the song sounds in every order without leaning on the clamp.
#include <gtest/gtest.h>

#include <algorithm>
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

TEST(MusicRender, ValidatesAndEveryOrderSoundsAndTheClampIsRare) {
    std::ifstream in(SKARVO_SONG_MODULE, std::ios::binary);
    std::vector<uint8_t> m((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    mxm::ValidationError err{};
    ASSERT_TRUE(mxm::validateModule(m.data(), m.size(), &err)) << err.message << " at byte " << err.offset;
    ASSERT_TRUE(mxm::loadModule(&g_state, m.data()));
    // Six orders of 64 rows at speed 5, tempo 125 (882 frames a tick).
    const mxm::ModuleHeader& h = g_state.header;
    ASSERT_EQ((std::vector<uint32_t>{h.songLength, h.initialSpeed, h.initialTempo}),
              (std::vector<uint32_t>{6, 5, 125}));
    constexpr uint32_t FRAMES_PER_ORDER = 64 * 5 * 882;
    mxm::startSong(g_state, 0);
    // Levels are taken after the 16-bit clamp, in the game's request size.
    uint64_t clamped = 0;
    std::vector<int32_t> mix(2 * 1102);
    for (int o = 0; o < 6; ++o) {
        double sum = 0;
        for (uint32_t left = FRAMES_PER_ORDER, n = 0; left > 0; left -= n) {
            n = std::min<uint32_t>(left, 1102);
            audio::renderFrames(g_state, n, mix.data());
            for (uint32_t k = 0; k < 2 * n; ++k) {
                int32_t v = std::clamp(mix[k], -audio::OUTPUT_CLAMP, audio::OUTPUT_CLAMP);
                clamped += std::abs(v) == audio::OUTPUT_CLAMP;
                sum += double(v) * v;
            }
        }
        EXPECT_GT(std::sqrt(sum / (2.0 * FRAMES_PER_ORDER)), 1000.0) << "order " << o << " is (nearly) silent";
    }
    EXPECT_LT(double(clamped), 0.001 * 2.0 * 6 * FRAMES_PER_ORDER);
}

}  // namespace
