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

// Offsets and lengths written out as the game's layout gives them, not derived.
struct Slot {
    size_t offset;
    uint32_t length;
};
const Slot SLOTS[15] = {{0, 12023},   {12027, 536}, {12567, 667}, {13238, 494}, {13736, 678},
                        {14418, 233}, {14655, 219}, {14878, 233}, {15115, 231}, {15350, 3086},
                        {18440, 812}, {19256, 832}, {20092, 770}, {20866, 830}, {21700, 1006}};

TEST(AssetsBlock, ImagesSitAtTheirOffsetsWithTheirLengthsAfterThem) {
    const uint8_t* block = assets::blockData();
    for (int n = 0; n < assets::IMAGE_COUNT; ++n) {
        SCOPED_TRACE("image " + std::to_string(n));
        ASSERT_EQ(assets::imageData(n), block + SLOTS[n].offset);
        EXPECT_EQ(assets::imageLength(n), SLOTS[n].length);
        EXPECT_EQ(le32(block + SLOTS[n].offset + SLOTS[n].length), SLOTS[n].length);
        if (n + 1 < assets::IMAGE_COUNT) {
            EXPECT_EQ(SLOTS[n].offset + SLOTS[n].length + 4, SLOTS[n + 1].offset);
        }
    }
    EXPECT_EQ(assets::imageData(-1), nullptr);
    EXPECT_EQ(assets::imageData(15), nullptr);
    EXPECT_EQ(assets::imageLength(15), 0u);
}

TEST(AssetsBlock, ModuleFollowsTwoZeroBytesAtAnAlignedOffset) {
    const uint8_t* block = assets::blockData();
    EXPECT_EQ(block[22710], 0);
    EXPECT_EQ(block[22711], 0);
    ASSERT_EQ(assets::moduleData(), block + 22712);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(assets::moduleData()) % 8, 0u);
    EXPECT_EQ(assets::moduleLength(), 31571u);
    EXPECT_EQ(assets::blockSize(), 22712u + 31571u);

    const uint8_t* m = assets::moduleData();
    EXPECT_EQ(std::memcmp(m, "MXM\0", 4), 0);
    // Its header accounts for exactly its length: sample data offset + 8-bit bytes + 16-bit points.
    EXPECT_EQ(le32(m + 28) + le32(m + 32) + 2 * le32(m + 36), 31571u);
}

// Walks the chunks of image n: each CRC is right, the file ends with IEND exactly at
// its stored length, and any padding chunk is ancillary so decoders skip it.
TEST(AssetsBlock, EveryImageIsOneWholePngWithValidChunks) {
    const uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    for (int n = 0; n < assets::IMAGE_COUNT; ++n) {
        SCOPED_TRACE("image " + std::to_string(n));
        const uint8_t* png = assets::imageData(n);
        uint32_t size = assets::imageLength(n);
        ASSERT_EQ(std::memcmp(png, signature, 8), 0);
        size_t at = 8;
        bool sawIend = false;
        while (at + 12 <= size && !sawIend) {
            uint32_t length = be32(png + at);
            ASSERT_LE(at + 12 + length, size);
            const uint8_t* type = png + at + 4;
            uint32_t crc = static_cast<uint32_t>(crc32(0, type, 4 + length));
            EXPECT_EQ(be32(type + 4 + length), crc) << std::string(reinterpret_cast<const char*>(type), 4);
            bool critical = (type[0] & 0x20) == 0;
            if (critical) {
                std::string name(reinterpret_cast<const char*>(type), 4);
                EXPECT_TRUE(name == "IHDR" || name == "PLTE" || name == "IDAT" || name == "IEND") << name;
            }
            sawIend = std::memcmp(type, "IEND", 4) == 0;
            at += 12 + length;
        }
        EXPECT_TRUE(sawIend);
        EXPECT_EQ(at, size);
    }
}

}  // namespace
