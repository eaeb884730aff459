// picture.h — an indexed picture as the image generator builds it, and its PNG writer.
//
//   Picture p = makePicture(50, 50, {{0x8a, 0x5a, 0x2c, 255}, {0, 0, 0, 0}});
//   p.at(3, 4) = 0;
//   std::vector<uint8_t> png = encodePng(p, PngKind::KEYED_PALETTE);
//
// Every picture is palette-indexed while it is drawn; the writer stores it either as a
// palette PNG (colour type 3) or expands it to RGBA (colour type 6). Sizes are pixels.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace imagegen {

struct Colour {
    uint8_t r = 0, g = 0, b = 0, a = 255;
    bool operator==(const Colour&) const = default;
};

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<Colour> palette;
    std::vector<uint8_t> index;  // width * height palette indices, row by row
    uint8_t& at(int x, int y) { return index[static_cast<size_t>(y) * width + x]; }
    uint8_t at(int x, int y) const { return index[static_cast<size_t>(y) * width + x]; }
    bool inside(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }
};

Picture makePicture(int width, int height, std::vector<Colour> palette, uint8_t fill = 0);

enum class PngKind {
    KEYED_PALETTE,   // colour type 3, tRNS making the last entry transparent (it must be the only one)
    OPAQUE_PALETTE,  // colour type 3, no tRNS
    RGBA,            // colour type 6
};

// Smallest PNG (8 bits per sample, not interlaced, compression level 9) over the row
// filters and deflate strategies tried. Deterministic. Throws std::runtime_error.
std::vector<uint8_t> encodePng(const Picture& p, PngKind kind);

// RGBA pixels of the picture, row by row.
std::vector<Colour> expand(const Picture& p);

// Writes an RGBA PNG of w * h pixels (used for the scaled icons).
std::vector<uint8_t> encodeRgbaPng(int w, int h, const std::vector<Colour>& pixels);

void writeFile(const std::string& path, const std::vector<uint8_t>& bytes);

}  // namespace imagegen
