// Tests of the game's music: the song text parser and the compiled module.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "song_build.h"
#include "song_text.h"

namespace {

std::string readText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::vector<uint8_t> readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

uint32_t u32(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

TEST(MusicModule, HeaderFacts) {
    std::vector<uint8_t> m = readBytes(SKARVO_SONG_MODULE);
    ASSERT_EQ(m.size(), 31571u);
    EXPECT_EQ(u32(m, 0), 0x004D584Du);
    EXPECT_EQ(u32(m, 4), 6u);
    EXPECT_EQ(u32(m, 8), 0u);
    EXPECT_EQ(u32(m, 12), 8u);
    EXPECT_EQ(u32(m, 16), 5u);
    EXPECT_EQ(u32(m, 20), 8u);
    EXPECT_EQ(m[24], 5);
    EXPECT_EQ(m[25], 125);
    EXPECT_EQ(m[26] | m[27] << 8, 5);
    EXPECT_EQ(u32(m, 28), 15059u);
    EXPECT_EQ(u32(m, 32), 16512u);
    EXPECT_EQ(u32(m, 36), 0u);
    EXPECT_EQ(static_cast<int32_t>(u32(m, 40)), -18432);
    EXPECT_EQ(static_cast<int32_t>(u32(m, 44)), 24576);
    for (int k = 0; k < 32; ++k) EXPECT_EQ(m[48 + k], 128) << "channel " << k;
    const uint8_t orders[6] = {0, 1, 2, 2, 3, 4};
    for (int k = 0; k < 6; ++k) EXPECT_EQ(m[80 + k], orders[k]);
}

}  // namespace
