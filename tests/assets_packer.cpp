// The packer as the build runs it: the same inputs give the same bytes (and the bytes
// linked into the program), extraction gives the pieces back, and inputs that do not
// fit the block are refused with a message and a failing exit status.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <zlib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "embedded.h"
#include "layout.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

Bytes readFile(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    std::string t = s.str();
    return Bytes(t.begin(), t.end());
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

struct PackerResult {
    int status;
    std::string errors;
};

PackerResult packer(const std::string& args, const fs::path& work) {
    fs::path err = work / "stderr.txt";
    std::string cmd = std::string("'") + SKARVO_PACKER + "' " + args + " 2>'" + err.string() + "'";
    int raw = std::system(cmd.c_str());
    Bytes e = readFile(err);
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, std::string(e.begin(), e.end())};
}

std::string q(const fs::path& p) { return "'" + p.string() + "'"; }

std::string imageFile(int n) {
    char name[64];
    std::snprintf(name, sizeof name, "%02d_%s.png", n, assets::IMAGE_FORMATS[n].name);
    return name;
}

// A copy of the build's images in a scratch folder, to be spoiled by a test.
fs::path copyImages(const fs::path& work) {
    fs::path dir = work / "images";
    fs::create_directories(dir);
    for (int n = 0; n < assets::LAYOUT_IMAGES; ++n)
        fs::copy_file(fs::path(SKARVO_IMAGE_DIR) / imageFile(n), dir / imageFile(n));
    return dir;
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

TEST(AssetsPacker, SameInputsGiveTheSameBytesAsTheLinkedBlock) {
    fs::path a = tempDir(), b = tempDir();
    ASSERT_EQ(
        packer(sources(SKARVO_IMAGE_DIR) + " --bin " + q(a / "block.bin") + " --cpp " + q(a / "block.cpp"), a).status,
        0);
    ASSERT_EQ(
        packer(sources(SKARVO_IMAGE_DIR) + " --bin " + q(b / "block.bin") + " --cpp " + q(b / "block.cpp"), b).status,
        0);
    Bytes first = readFile(a / "block.bin");
    EXPECT_EQ(first, readFile(b / "block.bin"));
    EXPECT_EQ(readFile(a / "block.cpp"), readFile(b / "block.cpp"));
    // Nothing in this program loads the module, so the linked block is still as packed.
    ASSERT_EQ(first.size(), assets::blockSize());
    EXPECT_TRUE(std::equal(first.begin(), first.end(), assets::blockData()));
    fs::remove_all(a);
    fs::remove_all(b);
}

TEST(AssetsPacker, ExtractGivesBackEachImageAndTheModule) {
    fs::path w = tempDir();
    ASSERT_EQ(packer(sources(SKARVO_IMAGE_DIR) + " --bin " + q(w / "block.bin"), w).status, 0);
    fs::path out = w / "out";
    fs::create_directories(out);
    ASSERT_EQ(packer("--block " + q(w / "block.bin") + " --extract " + q(out), w).status, 0);
    for (int n = 0; n < assets::IMAGE_COUNT; ++n) {
        Bytes img = readFile(out / imageFile(n));
        ASSERT_EQ(img.size(), assets::imageLength(n)) << n;
        EXPECT_TRUE(std::equal(img.begin(), img.end(), assets::imageData(n))) << n;
    }
    EXPECT_EQ(readFile(out / "module.mxm"), readFile(SKARVO_MODULE_FILE));
    fs::remove_all(w);
}

TEST(AssetsPacker, ImagesMustFitTheirBudget) {
    fs::path w = tempDir();
    fs::path images = copyImages(w);
    const int n = 5;  // the bottle, 233 bytes in the block
    Bytes natural = readFile(images / imageFile(n));
    uint32_t budget = assets::IMAGE_BYTES[n];
    ASSERT_LE(natural.size() + 12, budget);

    // One byte over: refused, and the message says why.
    writeFile(images / imageFile(n), grownPng(natural, budget + 1));
    PackerResult over = packer(sources(images) + " --bin " + q(w / "block.bin"), w);
    EXPECT_NE(over.status, 0);
    EXPECT_NE(over.errors.find("budget"), std::string::npos) << over.errors;
    EXPECT_NE(over.errors.find(imageFile(n)), std::string::npos) << over.errors;

    // Under the budget but too close to it for a padding chunk: also refused.
    writeFile(images / imageFile(n), grownPng(natural, budget - 5));
    EXPECT_NE(packer(sources(images) + " --bin " + q(w / "block.bin"), w).status, 0);

    // Exactly the budget: stored as it is, without padding.
    Bytes exact = grownPng(natural, budget);
    writeFile(images / imageFile(n), exact);
    ASSERT_EQ(packer(sources(images) + " --bin " + q(w / "block.bin"), w).status, 0);
    Bytes block = readFile(w / "block.bin");
    EXPECT_TRUE(std::equal(exact.begin(), exact.end(), block.begin() + static_cast<long>(assets::imageOffset(n))));
    fs::remove_all(w);
}

TEST(AssetsPacker, RefusesAModuleOfTheWrongLengthOrAWrongImage) {
    fs::path w = tempDir();
    Bytes module = readFile(SKARVO_MODULE_FILE);
    module.pop_back();
    writeFile(w / "short.mxm", module);
    PackerResult shortRun = packer(
        "--images " + q(SKARVO_IMAGE_DIR) + " --module " + q(w / "short.mxm") + " --bin " + q(w / "block.bin"), w);
    EXPECT_NE(shortRun.status, 0);
    EXPECT_NE(shortRun.errors.find("31571"), std::string::npos) << shortRun.errors;
    EXPECT_FALSE(fs::exists(w / "block.bin"));

    // An image of the wrong pixel size in a slot is refused too (the bottle in the boot's place).
    fs::path images = copyImages(w);
    fs::copy_file(images / imageFile(5), images / imageFile(1), fs::copy_options::overwrite_existing);
    PackerResult swapped = packer(sources(images) + " --bin " + q(w / "block.bin"), w);
    EXPECT_NE(swapped.status, 0);
    EXPECT_NE(swapped.errors.find("50x50"), std::string::npos) << swapped.errors;
    fs::remove_all(w);
}

}  // namespace

namespace {

// The icon option scales the title picture to the size asked for, as an opaque RGBA PNG.
TEST(AssetsIcons, IconOptionWritesTheTitleAtTheAskedSize) {
    fs::path w = tempDir();
    for (int size : {48, 256}) {
        fs::path out = w / ("icon" + std::to_string(size) + ".png");
        std::string cmd = std::string("'") + SKARVO_IMAGEGEN + "' --icon " + std::to_string(size) + " " + q(out);
        ASSERT_EQ(std::system(cmd.c_str()), 0);
        Bytes png = readFile(out);
        ASSERT_GE(png.size(), 33u);
        auto be32 = [&](size_t at) {
            return uint32_t(png[at]) << 24 | png[at + 1] << 16 | png[at + 2] << 8 | png[at + 3];
        };
        EXPECT_EQ(be32(16), static_cast<uint32_t>(size));
        EXPECT_EQ(be32(20), static_cast<uint32_t>(size));
        EXPECT_EQ(png[24], 8);  // bit depth
        EXPECT_EQ(png[25], 6);  // RGBA
    }
    fs::remove_all(w);
}

}  // namespace
