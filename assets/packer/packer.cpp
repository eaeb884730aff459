// skarvo_packer — builds the embedded block byte for byte from the fifteen PNG images
// and the packed module, and writes it out as a C++ source (one writable, 8-byte
// aligned array), as a raw file, or split back into its images and module.
//
//   skarvo_packer --images DIR --module FILE [--cpp OUT.cpp] [--bin OUT.bin] [--extract DIR] [--report]
//   skarvo_packer --block FILE --extract DIR
//
// Images are read as DIR/NN_name.png (names in catalogue.h). Each is padded to its exact
// length in the block with a private ancillary chunk "skPd" placed before IEND, so it
// stays a valid PNG. Same inputs, same bytes.
#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "assets/layout.h"
#include "player/module_layout.h"
#include "tools/common/message.h"
#include "tools/common/output_file.h"

namespace {

using Bytes = std::vector<uint8_t>;

const uint8_t PNG_SIGNATURE[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
const uint8_t IEND_CHUNK[12] = {0, 0, 0, 0, 'I', 'E', 'N', 'D', 0xae, 0x42, 0x60, 0x82};
constexpr size_t CHUNK_OVERHEAD = 12;  // length, type, CRC

struct Failure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

Bytes readFile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    if (!f) throw Failure("cannot read " + path);
    std::stringstream s;
    s << f.rdbuf();
    std::string text = s.str();
    return Bytes(text.begin(), text.end());
}

void writeFile(const std::string& path, const uint8_t* data, size_t size) {
    std::string error;
    if (!toolio::writeWholeFile(path, data, size, &error)) throw Failure(error);
}

uint32_t readBe32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 | static_cast<uint32_t>(p[2]) << 8 |
           p[3];
}
void putBe32(Bytes& out, uint32_t v) {
    for (int s = 24; s >= 0; s -= 8) out.push_back(static_cast<uint8_t>(v >> s));
}
void putLe32(Bytes& out, uint32_t v) {
    for (int s = 0; s < 32; s += 8) out.push_back(static_cast<uint8_t>(v >> s));
}

// Checks what the game and the block rely on: a whole PNG, 8 bits per sample, not
// interlaced, the stated size and colour type, ending in a plain IEND chunk.
void checkPng(const Bytes& png, int n) {
    const assets::CatalogueImage& s = assets::IMAGES[n];
    std::string who = "image " + std::to_string(n) + " (" + assets::imageFileName(n) + "): ";
    if (png.size() < 8 + 25 + 12 || std::memcmp(png.data(), PNG_SIGNATURE, 8) != 0)
        throw Failure(who + "not a PNG file");
    const uint8_t* ihdr = png.data() + 8;
    if (readBe32(ihdr) != 13 || std::memcmp(ihdr + 4, "IHDR", 4) != 0) throw Failure(who + "IHDR chunk missing");
    uint32_t w = readBe32(ihdr + 8), h = readBe32(ihdr + 12);
    if (w != static_cast<uint32_t>(s.width) || h != static_cast<uint32_t>(s.height))
        throw Failure(who + std::to_string(w) + "x" + std::to_string(h) + " pixels, expected " +
                      std::to_string(s.width) + "x" + std::to_string(s.height));
    if (ihdr[16] != 8 || ihdr[17] != s.colourType || ihdr[20] != 0)
        throw Failure(who + "must be 8 bits per sample, colour type " + std::to_string(s.colourType) +
                      " and not interlaced");
    if (std::memcmp(png.data() + png.size() - 12, IEND_CHUNK, 12) != 0) throw Failure(who + "does not end with IEND");
}

// Inserts a private ancillary chunk of zeros before IEND so that the file is exactly
// `length` bytes long.
Bytes padPng(const Bytes& png, uint32_t length, int n) {
    if (png.size() == length) return png;
    if (png.size() + CHUNK_OVERHEAD > length)
        throw Failure("image " + std::to_string(n) + " (" + assets::imageFileName(n) + ") is " +
                      std::to_string(png.size()) + " bytes; its budget is " + std::to_string(length) +
                      " bytes, which leaves no room for the " + std::to_string(CHUNK_OVERHEAD) +
                      "-byte padding chunk (it must be at most " + std::to_string(length - CHUNK_OVERHEAD) +
                      " bytes, or exactly " + std::to_string(length) + ")");
    uint32_t dataBytes = static_cast<uint32_t>(length - png.size() - CHUNK_OVERHEAD);
    Bytes out(png.begin(), png.end() - 12);
    putBe32(out, dataBytes);
    size_t typeAt = out.size();
    out.insert(out.end(), {'s', 'k', 'P', 'd'});
    out.insert(out.end(), dataBytes, 0);
    uLong crc = crc32(0L, out.data() + typeAt, static_cast<uInt>(4 + dataBytes));
    putBe32(out, static_cast<uint32_t>(crc));
    out.insert(out.end(), IEND_CHUNK, IEND_CHUNK + 12);
    return out;
}

// The module's length must be the one of the layout and agree with its own header:
// sample-data offset plus 8-bit bytes plus 16-bit points.
void checkModule(const Bytes& m) {
    if (m.size() != assets::MODULE_BYTES)
        throw Failure("module is " + std::to_string(m.size()) + " bytes; it must be exactly " +
                      std::to_string(assets::MODULE_BYTES));
    if (std::memcmp(m.data(), "MXM\0", 4) != 0) throw Failure("module does not start with the magic \"MXM\"");
    uint64_t end = uint64_t{mxm::read32(&m[mxm::HDR_SAMPLE_DATA])} + mxm::read32(&m[mxm::HDR_SAMPLE_BYTES8]) +
                   2 * uint64_t{mxm::read32(&m[mxm::HDR_SAMPLE_WORDS16])};
    if (end != m.size())
        throw Failure("module header gives a length of " + std::to_string(end) + " bytes, the file holds " +
                      std::to_string(m.size()));
}

Bytes buildBlock(const std::string& imageDir, const std::string& modulePath, bool report) {
    Bytes block;
    block.reserve(assets::BLOCK_BYTES);
    for (int n = 0; n < assets::IMAGE_COUNT; ++n) {
        const std::string file = assets::imageFileName(n);
        const uint32_t budget = assets::IMAGES[n].bytes;
        Bytes png = readFile(imageDir + "/" + file);
        checkPng(png, n);
        if (report) std::printf("%-18s %6zu of %6u bytes\n", file.c_str(), png.size(), budget);
        Bytes padded = padPng(png, budget, n);
        block.insert(block.end(), padded.begin(), padded.end());
        putLe32(block, budget);
    }
    block.insert(block.end(), assets::GAP_BYTES, 0);
    if (block.size() != assets::MODULE_OFFSET) throw Failure("internal: module offset mismatch");
    Bytes module = readFile(modulePath);
    checkModule(module);
    block.insert(block.end(), module.begin(), module.end());
    return block;
}

void checkBlock(const Bytes& block) {
    if (block.size() != assets::BLOCK_BYTES)
        throw Failure("block is " + std::to_string(block.size()) + " bytes, expected " +
                      std::to_string(assets::BLOCK_BYTES));
    for (int n = 0; n < assets::IMAGE_COUNT; ++n)
        if (mxm::read32(&block[assets::lengthWordOffset(n)]) != assets::IMAGES[n].bytes)
            throw Failure("block: stored length of image " + std::to_string(n) + " is wrong");
}

void writeCpp(const Bytes& block, const std::string& path) {
    std::string s;
    s.reserve(block.size() * 5 + 512);
    s += "// Generated by skarvo_packer from the images and the module. Do not edit.\n"
         "#include <cstdint>\n\n"
         "namespace assets {\n\n"
         "// Writable: the module's samples are decoded in place when it is loaded.\n"
         "alignas(8) uint8_t embeddedBlock[" +
         std::to_string(block.size()) + "] = {\n";
    char hex[8];
    for (size_t i = 0; i < block.size(); ++i) {
        std::snprintf(hex, sizeof hex, "0x%02x,", block[i]);
        s += hex;
        s += (i % 16 == 15 || i + 1 == block.size()) ? "\n" : "";
    }
    s += "};\n\n}  // namespace assets\n";
    writeFile(path, reinterpret_cast<const uint8_t*>(s.data()), s.size());
}

void extract(const Bytes& block, const std::string& dir) {
    for (int n = 0; n < assets::IMAGE_COUNT; ++n)
        writeFile(dir + "/" + assets::imageFileName(n), &block[assets::imageOffset(n)], assets::IMAGES[n].bytes);
    writeFile(dir + "/module.mxm", &block[assets::MODULE_OFFSET], assets::MODULE_BYTES);
}

int usage() {
    std::fprintf(stderr,
                 "usage: skarvo_packer --images DIR --module FILE [--cpp OUT.cpp] [--bin OUT.bin] [--extract DIR] "
                 "[--report]\n"
                 "       skarvo_packer --block FILE --extract DIR\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::string images, module, blockIn, cpp, bin, extractDir;
    bool report = false;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        bool hasValue = i + 1 < argc;
        if (a == "--images" && hasValue)
            images = argv[++i];
        else if (a == "--module" && hasValue)
            module = argv[++i];
        else if (a == "--block" && hasValue)
            blockIn = argv[++i];
        else if (a == "--cpp" && hasValue)
            cpp = argv[++i];
        else if (a == "--bin" && hasValue)
            bin = argv[++i];
        else if (a == "--extract" && hasValue)
            extractDir = argv[++i];
        else if (a == "--report")
            report = true;
        else
            return usage();
    }
    bool fromSources = !images.empty() && !module.empty();
    if (fromSources == !blockIn.empty() || (images.empty() != module.empty())) return usage();
    if (cpp.empty() && bin.empty() && extractDir.empty() && !report) return usage();
    try {
        Bytes block = fromSources ? buildBlock(images, module, report) : readFile(blockIn);
        checkBlock(block);
        if (!cpp.empty()) writeCpp(block, cpp);
        if (!bin.empty()) writeFile(bin, block.data(), block.size());
        if (!extractDir.empty()) extract(block, extractDir);
    } catch (const std::exception& e) {
        toolio::printMessage(stderr, "skarvo_packer", e.what());
        return 1;
    }
    return 0;
}
