// layout.h — the fixed layout of the embedded block.
//
// Shared by the packer (which writes the block), the accessors in embedded.cpp (which
// read it) and the tests. Sizes and offsets are in bytes from the block's start; each
// image's length is its budget in the catalogue.
//
//   size_t at = assets::imageOffset(3);          // first byte of image 3
//   uint32_t n = assets::IMAGES[3].bytes;         // its exact (padded) length
//
// Each image is followed by its unaligned little-endian u32 length; after the last
// length come two zero bytes, which put the module at an 8-byte-aligned offset.
#pragma once

#include <cstddef>
#include <cstdint>

#include "assets/catalogue.h"

namespace assets {

constexpr size_t LENGTH_WORD_BYTES = 4;
constexpr size_t GAP_BYTES = 2;  // zero bytes between the last length word and the module
constexpr size_t MODULE_OFFSET = 22712;
constexpr uint32_t MODULE_BYTES = 31571;
constexpr size_t BLOCK_BYTES = MODULE_OFFSET + MODULE_BYTES;

// Offset of image n's first byte.
constexpr size_t imageOffset(int n) {
    size_t at = 0;
    for (int i = 0; i < n; ++i) at += IMAGES[i].bytes + LENGTH_WORD_BYTES;
    return at;
}
// Offset of the length word stored after image n.
constexpr size_t lengthWordOffset(int n) { return imageOffset(n) + IMAGES[n].bytes; }

static_assert(imageOffset(1) == 12027 && imageOffset(9) == 15350 && imageOffset(14) == 21700);
static_assert(lengthWordOffset(14) + LENGTH_WORD_BYTES + GAP_BYTES == MODULE_OFFSET);
static_assert(MODULE_OFFSET % 8 == 0);

}  // namespace assets
