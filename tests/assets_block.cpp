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

// Each image is one whole PNG (right CRCs, IEND exactly at its budgeted length, any
// padding chunk ancillary) followed by its length word and the next image.

TEST(AssetsBlock, WholePngsThenTwoZeroBytesThenTheAlignedModule) {
    const uint8_t* block = assets::blockData();
    size_t at = 0;
    for (int n = 0; n < assets::IMAGE_COUNT; at += assets::IMAGES[n].bytes + 4, ++n) {
        SCOPED_TRACE("image " + std::to_string(n));
        const uint8_t* png = block + at;
        const uint32_t length = assets::IMAGES[n].bytes;
        ASSERT_TRUE(assets::imageData(n) == png && assets::imageLength(n) == length);
        EXPECT_EQ(le32(png + length), length);
        size_t c = 8;
        std::string type;
        while (c + 12 <= length && type != "IEND") {
            uint32_t chunk = be32(png + c);
            type.assign(reinterpret_cast<const char*>(png + c + 4), 4);
            ASSERT_LE(c + 12 + chunk, length);
            EXPECT_EQ(be32(png + c + 8 + chunk), uint32_t(crc32(0, png + c + 4, 4 + chunk))) << type;
            EXPECT_TRUE(type[0] & 0x20 || type == "IHDR" || type == "PLTE" || type == "IDAT" || type == "IEND") << type;
            c += 12 + chunk;
        }
        EXPECT_TRUE(type == "IEND" && c == length);
    }
    EXPECT_TRUE(assets::imageData(-1) == nullptr && assets::imageData(15) == nullptr);
    EXPECT_EQ(at, 22710u);
    EXPECT_EQ(block[22710] | block[22711], 0);
    ASSERT_EQ(assets::moduleData(), block + 22712);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(assets::moduleData()) % 8, 0u);
    EXPECT_EQ(assets::blockSize(), 22712u + 31571u);
    EXPECT_EQ(std::memcmp(assets::moduleData(), "MXM\0", 4), 0);
}

}  // namespace
