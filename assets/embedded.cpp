// Accessors of the embedded block. The block itself is generated at build time by
// skarvo_packer (embedded_block.cpp in the build tree); its layout is in layout.h.
#include "assets/embedded.h"

#include "assets/layout.h"

namespace assets {

extern uint8_t embeddedBlock[BLOCK_BYTES];

const uint8_t* imageData(int n) {
    if (n < 0 || n >= IMAGE_COUNT) return nullptr;
    return embeddedBlock + imageOffset(n);
}

uint32_t imageLength(int n) {
    if (n < 0 || n >= IMAGE_COUNT) return 0;
    // The word follows the image directly, at any alignment: read it byte by byte.
    const uint8_t* p = embeddedBlock + lengthWordOffset(n);
    return p[0] | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

uint8_t* moduleData() { return embeddedBlock + MODULE_OFFSET; }

uint32_t moduleLength() { return MODULE_BYTES; }

uint8_t* blockData() { return embeddedBlock; }

size_t blockSize() { return BLOCK_BYTES; }

}  // namespace assets
