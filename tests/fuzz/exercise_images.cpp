// exercise_images.cpp — the image generator's pixel-art reader and PNG writer, and the
// game's texture decoder (colour key, power-of-two scaling) that reads what they write.
#include <zlib.h>

#include <stdexcept>
#include <string>

#include "exercise.h"
#include "pixelart.h"
#include "platform/image.h"

namespace {

constexpr uint32_t GAME_COLOUR_KEY = 0xFF000000;  // opaque black, as the game decodes its images
// Larger pictures are parsed only: encoding tries eighteen filter and strategy pairs.
constexpr int ROUND_TRIP_PIXELS = 64 * 64;

// Rewrites every whole chunk's CRC to match its type and data. libpng rejects a bad CRC
// before reading the chunk, and being uninstrumented it gives the fuzzer no hint how to
// mend one: without this almost every mutation would stop at the first chunk.
std::vector<uint8_t> withChunkCrcs(const uint8_t* data, size_t size) {
    std::vector<uint8_t> png(data, data + size);
    for (size_t at = 8; at + 12 <= png.size();) {
        uint32_t length = 0;
        for (int k = 0; k < 4; ++k) length = length << 8 | png[at + k];
        if (length > png.size() - at - 12) break;
        uint32_t crc = static_cast<uint32_t>(crc32(0, &png[at + 4], length + 4));
        for (int k = 0; k < 4; ++k) png[at + 8 + length + k] = static_cast<uint8_t>(crc >> (24 - 8 * k));
        at += 12 + length;
    }
    return png;
}

bool isPowerOfTwo(int n) { return n > 0 && (n & (n - 1)) == 0; }

// The decoded texture must hold the picture: its size, and where no scaling happened,
// each opaque colour as it was (opaque black keyed out) and transparency kept.
bool decodesBack(const imagegen::Picture& p) {
    imagegen::PngKind kind =
        p.palette.back().a == 0 ? imagegen::PngKind::KEYED_PALETTE : imagegen::PngKind::OPAQUE_PALETTE;
    std::vector<uint8_t> png = imagegen::encodePng(p, kind);
    platform::Image img;
    if (platform::decodeImage(png.data(), png.size(), GAME_COLOUR_KEY, &img)) return false;
    if (img.sourceWidth != p.width || img.sourceHeight != p.height) return false;
    if (!isPowerOfTwo(p.width) || !isPowerOfTwo(p.height)) return true;
    std::vector<imagegen::Colour> want = imagegen::expand(p);
    for (size_t i = 0; i < want.size(); ++i) {
        const uint8_t* got = &img.rgba[4 * i];
        imagegen::Colour c = want[i];
        if (c == imagegen::Colour{0, 0, 0, 255} || c.a == 0) {
            if (got[3] != 0) return false;
        } else if (got[0] != c.r || got[1] != c.g || got[2] != c.b || got[3] != 255) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool exercisePixelArt(const uint8_t* data, size_t size) {
    imagegen::Picture p;
    try {
        p = imagegen::parsePixelArt(std::string(reinterpret_cast<const char*>(data), size), "art.txt");
    } catch (const std::runtime_error&) {
        return true;
    }
    // The generator must never make a picture the game cannot decode.
    if (p.width <= 0 || p.height <= 0 || p.width > platform::MAX_IMAGE_SIDE || p.height > platform::MAX_IMAGE_SIDE)
        return false;
    if (p.index.size() != static_cast<size_t>(p.width) * p.height) return false;
    for (uint8_t i : p.index)
        if (i >= p.palette.size()) return false;
    return p.index.size() > ROUND_TRIP_PIXELS || decodesBack(p);
}

bool exerciseTexture(const uint8_t* data, size_t size) {
    std::vector<uint8_t> png = withChunkCrcs(data, size);
    platform::Image img;
    if (platform::decodeImage(png.data(), png.size(), GAME_COLOUR_KEY, &img)) return true;
    // The sizes the game's sprite code relies on.
    return img.sourceWidth > 0 && img.sourceHeight > 0 && img.width == platform::nextPowerOfTwo(img.sourceWidth) &&
           img.height == platform::nextPowerOfTwo(img.sourceHeight) &&
           img.rgba.size() == static_cast<size_t>(img.width) * img.height * 4;
}
