// The embedded block as the game sees it: every offset and stored length, the gap
// before the module, the module's alignment, and each image being one whole PNG.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "embedded.h"

namespace {

uint32_t le32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24; }
uint32_t be32(const uint8_t* p) { return static_cast<uint32_t>(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3]; }

// Image lengths written out as the game's layout gives them, not derived; each image
// is followed by its length word and the next image.
const uint32_t LENGTHS[15] = {12023, 536, 667, 494, 678, 233, 219, 233, 231, 3086, 812, 832, 770, 830, 1006};

TEST(AssetsBlock, ImagesThenTwoZeroBytesThenTheAlignedModule) {
    const uint8_t* block = assets::blockData();
    size_t at = 0;
    for (int n = 0; n < assets::IMAGE_COUNT; ++n) {
        SCOPED_TRACE("image " + std::to_string(n));
        ASSERT_EQ(assets::imageData(n), block + at);
        EXPECT_EQ(assets::imageLength(n), LENGTHS[n]);
        EXPECT_EQ(le32(block + at + LENGTHS[n]), LENGTHS[n]);
        at += LENGTHS[n] + 4;
    }
    EXPECT_EQ(at, 22710u);
    EXPECT_EQ(assets::imageData(-1), nullptr);
    EXPECT_EQ(assets::imageData(15), nullptr);
    EXPECT_EQ(block[22710] | block[22711], 0);
    ASSERT_EQ(assets::moduleData(), block + 22712);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(assets::moduleData()) % 8, 0u);
    EXPECT_EQ(assets::moduleLength(), 31571u);
    EXPECT_EQ(assets::blockSize(), 22712u + 31571u);
    const uint8_t* m = assets::moduleData();
    EXPECT_EQ(std::memcmp(m, "MXM\0", 4), 0);
    // Its header accounts for exactly its length: sample data offset + 8-bit bytes + 16-bit points.
    EXPECT_EQ(le32(m + 28) + le32(m + 32) + 2 * le32(m + 36), 31571u);
}

// Each CRC is right, the file ends with IEND exactly at its stored length, and any
// padding chunk is ancillary so decoders skip it.
TEST(AssetsBlock, EveryImageIsOneWholePngWithValidChunks) {
    for (int n = 0; n < assets::IMAGE_COUNT; ++n) {
        SCOPED_TRACE("image " + std::to_string(n));
        const uint8_t* png = assets::imageData(n);
        uint32_t size = assets::imageLength(n);
        ASSERT_EQ(std::memcmp(png, "\x89PNG\r\n\x1a\n", 8), 0);
        size_t at = 8;
        std::string type;
        while (at + 12 <= size && type != "IEND") {
            uint32_t length = be32(png + at);
            ASSERT_LE(at + 12 + length, size);
            type.assign(reinterpret_cast<const char*>(png + at + 4), 4);
            EXPECT_EQ(be32(png + at + 8 + length), static_cast<uint32_t>(crc32(0, png + at + 4, 4 + length))) << type;
            if ((type[0] & 0x20) == 0) {
                EXPECT_TRUE(type == "IHDR" || type == "PLTE" || type == "IDAT" || type == "IEND") << type;
            }
            at += 12 + length;
        }
        EXPECT_EQ(type, "IEND");
        EXPECT_EQ(at, size);
    }
}

}  // namespace
