// ring_regions.h — splitting a locked range of the ring into its one or two regions.
// Shared by the sound ring backends; not part of the platform interface.
#pragma once

#include <cstdint>

#include "sound_ring.h"

namespace platform {
namespace ring_detail {

// Fills the four region outputs for `bytes` bytes from `offset` in `memory`; returns
// SOUND_ERR_INVALID (outputs null / 0) for an offset or count outside the ring.
inline int32_t splitRegions(uint8_t* memory, uint32_t offset, uint32_t bytes, uint32_t flags, void** ptr1,
                            uint32_t* bytes1, void** ptr2, uint32_t* bytes2) {
    *ptr1 = nullptr;
    *bytes1 = 0;
    *ptr2 = nullptr;
    *bytes2 = 0;
    if (flags & SOUND_LOCK_ENTIRE) {
        offset = 0;
        bytes = SOUND_RING_BYTES;
    }
    if (offset >= SOUND_RING_BYTES || bytes > SOUND_RING_BYTES) return SOUND_ERR_INVALID;
    uint32_t first = SOUND_RING_BYTES - offset;
    if (bytes <= first) {
        *ptr1 = memory + offset;
        *bytes1 = bytes;
        return SOUND_OK;
    }
    *ptr1 = memory + offset;
    *bytes1 = first;
    *ptr2 = memory;
    *bytes2 = bytes - first;
    return SOUND_OK;
}

}  // namespace ring_detail
}  // namespace platform
