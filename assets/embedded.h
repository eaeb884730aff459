// embedded.h — the one block of data inside the program: fifteen PNG images, each
// followed by its unaligned little-endian 32-bit length, two zero bytes, then the
// music module at an 8-byte-aligned offset. The block is writable: loading the
// module decodes its samples in place.
#pragma once

#include <cstddef>
#include <cstdint>

#include "assets/catalogue.h"

namespace assets {

// Image n (0..14, as in the catalogue): its first byte, and its length as read from the word after it.
const uint8_t* imageData(int n);
uint32_t imageLength(int n);
// The packed module (writable).
uint8_t* moduleData();
uint32_t moduleLength();
// The whole block.
uint8_t* blockData();
size_t blockSize();

}  // namespace assets
