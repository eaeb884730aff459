// The embedded block as the game sees it (accessors, length words, the gap, the aligned
// module, each image one whole PNG padded to its budget) and the packer that makes it: the
// same inputs give the linked bytes, extraction gives the pieces back, and an image over
// its budget is refused. (The image generator and the packer check the images' formats.)
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <zlib.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "assets/embedded.h"
#include "assets/layout.h"
#include "platform_png_stored.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

uint32_t be32(const uint8_t* p) { return static_cast<uint32_t>(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3]; }

Bytes readFile(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

Bytes image(int n) { return Bytes(assets::imageData(n), assets::imageData(n) + assets::imageLength(n)); }

std::string q(const fs::path& p) { return "'" + p.string() + "'"; }

// Each image: chunks with right CRCs, any not decoded (padding) ancillary, IEND ending
// exactly at its budget, then its length word.
TEST(AssetsBlock, WholePngsThenTwoZeroBytesThenTheAlignedModule) {
    const uint8_t* block = assets::blockData();
    for (int n = 0; n < assets::IMAGE_COUNT; ++n) {
        SCOPED_TRACE("image " + std::to_string(n));
        const uint8_t* png = block + assets::imageOffset(n);
        const uint32_t length = assets::IMAGES[n].bytes;
        ASSERT_TRUE(assets::imageData(n) == png && assets::imageLength(n) == length);  // the length word
        size_t at = 8;
        std::string type;
        for (; at + 12 <= length && type != "IEND"; at += 12 + be32(png + at)) {
            const uint32_t size = be32(png + at);
            type.assign(reinterpret_cast<const char*>(png + at + 4), 4);
            ASSERT_LE(at + 12 + size, length);
            EXPECT_EQ(be32(png + at + 8 + size), uint32_t(crc32(0, png + at + 4, 4 + size))) << type;
            EXPECT_TRUE(type[0] & 0x20 || type == "IHDR" || type == "PLTE" || type == "IDAT" || type == "IEND") << type;
        }
        EXPECT_TRUE(type == "IEND" && at == length);
    }
    EXPECT_TRUE(assets::imageData(-1) == nullptr && assets::imageData(assets::IMAGE_COUNT) == nullptr);
    EXPECT_EQ(block[assets::MODULE_OFFSET - 2] | block[assets::MODULE_OFFSET - 1], 0);
    ASSERT_EQ(assets::moduleData(), block + assets::MODULE_OFFSET);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(assets::moduleData()) % 8, 0u);
    EXPECT_EQ(std::memcmp(assets::moduleData(), "MXM\0", 4), 0);
}

// A fresh work folder for one test; its packer runs write their errors to stderr.txt.
struct Packer {
    fs::path work = fs::temp_directory_path() / ("skarvo-assets-" + std::to_string(getpid()));
    Packer() { fs::remove_all(work), fs::create_directories(work / "images"); }
    ~Packer() { fs::remove_all(work); }
    int run(const std::string& args) {
        int raw = std::system(("'" SKARVO_PACKER "' " + args + " 2>" + q(work / "stderr.txt")).c_str());
        return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    }
    int pack(const fs::path& images, const std::string& out) {
        return run("--images " + q(images) + " --module " + q(SKARVO_MODULE_FILE) + " --bin " + q(work / out));
    }
};

// Nothing in this program loads the module, so the linked block is still as packed.
TEST(AssetsPacker, PacksTheLinkedBlockAgainAndExtractGivesThePiecesBack) {
    Packer p;
    ASSERT_EQ(p.pack(SKARVO_IMAGE_DIR, "a.bin"), 0);
    EXPECT_EQ(readFile(p.work / "a.bin"), Bytes(assets::blockData(), assets::blockData() + assets::blockSize()));
    ASSERT_EQ(p.run("--block " + q(p.work / "a.bin") + " --extract " + q(p.work)), 0);
    for (int n = 0; n < assets::IMAGE_COUNT; ++n) EXPECT_EQ(readFile(p.work / assets::imageFileName(n)), image(n)) << n;
    EXPECT_EQ(readFile(p.work / "module.mxm"), readFile(SKARVO_MODULE_FILE));
}

// The bottle grown with a public ancillary chunk before IEND: one byte over its budget
// is refused, saying why; exactly the budget is stored as it is, without padding.
TEST(AssetsPacker, RefusesAnImageOverItsBudget) {
    Packer p;
    fs::copy(SKARVO_IMAGE_DIR, p.work / "images", fs::copy_options::recursive);
    const int n = 5;
    const fs::path file = p.work / "images" / assets::imageFileName(n);
    const Bytes png = readFile(file);
    for (uint32_t size : {assets::IMAGES[n].bytes + 1, assets::IMAGES[n].bytes}) {
        Bytes grown(png.begin(), png.end() - 12);  // IEND last
        storedpng::chunk(grown, "tEXt", Bytes(size - png.size() - 12, 'x'));
        grown.insert(grown.end(), png.end() - 12, png.end());
        std::ofstream(file, std::ios::binary).write((const char*)grown.data(), grown.size());
        int status = p.pack(p.work / "images", "block.bin");
        if (size > assets::IMAGES[n].bytes) {
            Bytes e = readFile(p.work / "stderr.txt");
            EXPECT_NE(std::string(e.begin(), e.end()).find("budget"), std::string::npos);
            EXPECT_NE(status, 0);
        } else {
            ASSERT_EQ(status, 0);
            EXPECT_TRUE(std::equal(grown.begin(), grown.end(),
                                   readFile(p.work / "block.bin").begin() + assets::imageOffset(n)));
        }
    }
}

}  // namespace
