// The packer as the build runs it: the same inputs give the same bytes (and the bytes
// linked into the program), extraction gives the pieces back, and inputs that do not
// fit the block are refused with a message and a failing exit status.
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

void writeFile(const fs::path& p, const Bytes& b) {
    std::ofstream f(p, std::ios::binary);
    f.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
}

fs::path tempDir() {
    std::string pattern = (fs::temp_directory_path() / "skarvo-assets-XXXXXX").string();
    char* made = mkdtemp(pattern.data());
    EXPECT_NE(made, nullptr);
    return fs::path(pattern);
}

std::string q(const fs::path& p) { return "'" + p.string() + "'"; }

// Runs the packer: its exit status, and what it wrote to stderr in `errors`.
int packer(const std::string& args, const fs::path& work, std::string* errors = nullptr) {
    int raw = std::system(("'" SKARVO_PACKER "' " + args + " 2>" + q(work / "stderr.txt")).c_str());
    Bytes e = readFile(work / "stderr.txt");
    if (errors) errors->assign(e.begin(), e.end());
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

std::string imageFile(int n) {
    char name[64];
    std::snprintf(name, sizeof name, "%02d_%s.png", n, assets::IMAGE_FORMATS[n].name);
    return name;
}

// The PNG grown to `size` bytes with a public ancillary chunk before IEND.
Bytes grownPng(const Bytes& png, size_t size) {
    uint32_t data = static_cast<uint32_t>(size - png.size() - 12);
    Bytes out(png.begin(), png.end() - 12);
    for (int s = 24; s >= 0; s -= 8) out.push_back(static_cast<uint8_t>(data >> s));
    size_t typeAt = out.size();
    out.insert(out.end(), {'t', 'E', 'X', 't'});
    out.insert(out.end(), data, 'x');
    uint32_t crc = static_cast<uint32_t>(crc32(0, out.data() + typeAt, 4 + data));
    for (int s = 24; s >= 0; s -= 8) out.push_back(static_cast<uint8_t>(crc >> s));
    out.insert(out.end(), png.end() - 12, png.end());
    return out;
}

std::string sources(const fs::path& images) { return "--images " + q(images) + " --module " + q(SKARVO_MODULE_FILE); }

TEST(AssetsPacker, SameInputsGiveTheSameBytesAsTheLinkedBlockAndExtractGivesThemBack) {
    fs::path w = tempDir();
    for (std::string run : {"a", "b"}) {
        std::string out = " --bin " + q(w / (run + ".bin")) + " --cpp " + q(w / (run + ".cpp"));
        ASSERT_EQ(packer(sources(SKARVO_IMAGE_DIR) + out, w), 0);
    }
    Bytes block = readFile(w / "a.bin");
    EXPECT_EQ(block, readFile(w / "b.bin"));
    EXPECT_EQ(readFile(w / "a.cpp"), readFile(w / "b.cpp"));
    // Nothing in this program loads the module, so the linked block is still as packed.
    ASSERT_EQ(block.size(), assets::blockSize());
    EXPECT_TRUE(std::equal(block.begin(), block.end(), assets::blockData()));
    ASSERT_EQ(packer("--block " + q(w / "a.bin") + " --extract " + q(w), w), 0);
    EXPECT_EQ(readFile(w / imageFile(14)),
              Bytes(assets::imageData(14), assets::imageData(14) + assets::imageLength(14)));
    EXPECT_EQ(readFile(w / "module.mxm"), readFile(SKARVO_MODULE_FILE));
    fs::remove_all(w);
}

TEST(AssetsPacker, RefusesAnImageOverItsBudgetOrAModuleOfTheWrongLength) {
    fs::path w = tempDir();
    fs::path images = w / "images";
    fs::create_directories(images);
    for (int n = 0; n < assets::LAYOUT_IMAGES; ++n)
        fs::copy_file(fs::path(SKARVO_IMAGE_DIR) / imageFile(n), images / imageFile(n));
    const int n = 5;  // the bottle, 233 bytes in the block
    Bytes natural = readFile(images / imageFile(n));
    uint32_t budget = assets::IMAGE_BYTES[n];
    ASSERT_LE(natural.size() + 12, budget);
    // One byte over, or too close to the budget for a padding chunk: refused, saying why.
    writeFile(images / imageFile(n), grownPng(natural, budget + 1));
    std::string errors;
    EXPECT_NE(packer(sources(images) + " --bin " + q(w / "block.bin"), w, &errors), 0);
    EXPECT_NE(errors.find("budget"), std::string::npos) << errors;
    EXPECT_NE(errors.find(imageFile(n)), std::string::npos) << errors;
    writeFile(images / imageFile(n), grownPng(natural, budget - 5));
    EXPECT_NE(packer(sources(images) + " --bin " + q(w / "block.bin"), w), 0);
    // Exactly the budget: stored as it is, without padding.
    Bytes exact = grownPng(natural, budget);
    writeFile(images / imageFile(n), exact);
    ASSERT_EQ(packer(sources(images) + " --bin " + q(w / "block.bin"), w), 0);
    Bytes block = readFile(w / "block.bin");
    EXPECT_TRUE(std::equal(exact.begin(), exact.end(), block.begin() + static_cast<long>(assets::imageOffset(n))));

    Bytes module = readFile(SKARVO_MODULE_FILE);
    module.pop_back();
    writeFile(w / "short.mxm", module);
    fs::remove(w / "block.bin");
    EXPECT_NE(
        packer("--images " + q(SKARVO_IMAGE_DIR) + " --module " + q(w / "short.mxm") + " --bin " + q(w / "block.bin"),
               w, &errors),
        0);
    EXPECT_NE(errors.find("31571"), std::string::npos) << errors;
    EXPECT_FALSE(fs::exists(w / "block.bin"));
    fs::remove_all(w);
}

}  // namespace
