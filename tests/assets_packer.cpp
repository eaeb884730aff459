// The packer as the build runs it: the same inputs give the same bytes (and the bytes
// linked into the program), extraction gives the pieces back, and an image over its
// budget is refused with a message and a failing exit status.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <zlib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "embedded.h"
#include "layout.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

Bytes readFile(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

std::string q(const fs::path& p) { return "'" + p.string() + "'"; }

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

TEST(AssetsPacker, SameInputsGiveTheSameBytesAsTheLinkedBlockAndExtractGivesThemBack) {
    Packer p;
    ASSERT_EQ(p.pack(SKARVO_IMAGE_DIR, "a.bin"), 0);
    ASSERT_EQ(p.pack(SKARVO_IMAGE_DIR, "b.bin"), 0);
    Bytes block = readFile(p.work / "a.bin");
    EXPECT_EQ(block, readFile(p.work / "b.bin"));
    // Nothing in this program loads the module, so the linked block is still as packed.
    EXPECT_EQ(block, Bytes(assets::blockData(), assets::blockData() + assets::blockSize()));
    ASSERT_EQ(p.run("--block " + q(p.work / "a.bin") + " --extract " + q(p.work)), 0);
    EXPECT_EQ(readFile(p.work / assets::imageFileName(14)),
              Bytes(assets::imageData(14), assets::imageData(14) + assets::imageLength(14)));
    EXPECT_EQ(readFile(p.work / "module.mxm"), readFile(SKARVO_MODULE_FILE));
}

// The bottle grown with a public ancillary chunk before IEND: one byte over its budget
// is refused, saying why; exactly the budget is stored as it is, without padding.
TEST(AssetsPacker, RefusesAnImageOverItsBudget) {
    Packer p;
    for (int n = 0; n < assets::IMAGE_COUNT; ++n)
        fs::copy_file(fs::path(SKARVO_IMAGE_DIR) / assets::imageFileName(n),
                      p.work / "images" / assets::imageFileName(n));
    const int n = 5;
    const Bytes png = readFile(p.work / "images" / assets::imageFileName(n));
    for (uint32_t size : {assets::IMAGES[n].bytes + 1, assets::IMAGES[n].bytes}) {
        uint32_t data = size - uint32_t(png.size()) - 12;
        Bytes grown(png.begin(), png.end() - 12);
        Bytes chunk = {uint8_t(data >> 24), uint8_t(data >> 16), uint8_t(data >> 8), uint8_t(data), 't', 'E', 'X', 't'};
        chunk.insert(chunk.end(), data, 'x');
        uint32_t crc = uint32_t(crc32(0, chunk.data() + 4, 4 + data));
        chunk.insert(chunk.end(), {uint8_t(crc >> 24), uint8_t(crc >> 16), uint8_t(crc >> 8), uint8_t(crc)});
        grown.insert(grown.end(), chunk.begin(), chunk.end());
        grown.insert(grown.end(), png.end() - 12, png.end());
        std::ofstream(p.work / "images" / assets::imageFileName(n), std::ios::binary)
            .write((const char*)grown.data(), grown.size());
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
