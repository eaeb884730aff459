// layout.h — the fixed layout of the embedded block and what each image must be.
//
// Shared by the packer (which writes the block), the accessors in embedded.cpp (which
// read it) and the tests. Sizes and offsets are in bytes from the block's start.
//
//   size_t at = assets::imageOffset(3);          // first byte of image 3
//   uint32_t n = assets::IMAGE_BYTES[3];          // its exact (padded) length
//
// Each image is followed by its unaligned little-endian u32 length; after the last
// length come two zero bytes, which put the module at an 8-byte-aligned offset.
#pragma once

#include <cstddef>
#include <cstdint>

namespace assets {

constexpr int LAYOUT_IMAGES = 15;

// Exact stored length of each PNG (its natural size plus padding).
constexpr uint32_t IMAGE_BYTES[LAYOUT_IMAGES] = {12023, 536,  667, 494, 678, 233, 219, 233,
                                                 231,   3086, 812, 832, 770, 830, 1006};

constexpr size_t LENGTH_WORD_BYTES = 4;
constexpr size_t GAP_BYTES = 2;  // zero bytes between the last length word and the module
constexpr size_t MODULE_OFFSET = 22712;
constexpr uint32_t MODULE_BYTES = 31571;
constexpr size_t BLOCK_BYTES = MODULE_OFFSET + MODULE_BYTES;

// Offset of image n's first byte.
constexpr size_t imageOffset(int n) {
    size_t at = 0;
    for (int i = 0; i < n; ++i) at += IMAGE_BYTES[i] + LENGTH_WORD_BYTES;
    return at;
}
// Offset of the length word stored after image n.
constexpr size_t lengthWordOffset(int n) { return imageOffset(n) + IMAGE_BYTES[n]; }

static_assert(imageOffset(1) == 12027 && imageOffset(9) == 15350 && imageOffset(14) == 21700);
static_assert(lengthWordOffset(14) + LENGTH_WORD_BYTES + GAP_BYTES == MODULE_OFFSET);
static_assert(MODULE_OFFSET % 8 == 0);

// What each image must be: pixel size, PNG colour type (3 palette, 6 RGBA) and
// whether its palette's last entry is the one transparent colour.
struct ImageFormat {
    const char* name;  // file stem used by the generator and --extract
    int width;
    int height;
    int colourType;
    bool keyedPalette;
};

constexpr ImageFormat IMAGE_FORMATS[LAYOUT_IMAGES] = {
    {"backdrop", 640, 480, 6, false}, {"boot", 50, 50, 3, true},       {"vulture", 50, 50, 3, true},
    {"snake", 50, 50, 3, true},       {"tumbleweed", 50, 50, 3, true}, {"bottle", 12, 19, 3, true},
    {"joystick", 12, 19, 3, true},    {"banana", 12, 19, 3, true},     {"ring", 12, 19, 3, true},
    {"plate", 19, 12, 6, false},      {"walk_a", 70, 100, 3, true},    {"walk_b", 70, 100, 3, true},
    {"throw_a", 70, 100, 3, true},    {"throw_b", 70, 100, 3, true},   {"title", 200, 200, 3, false},
};

}  // namespace assets
