// sound_regions.h — private to platform/: splitting a locked range of a ring held in
// memory into its one or two regions, for the sound ring backends.
#pragma once

#include <cstdint>

#include "platform/sound_ring.h"

namespace platform {

// The regions of `bytes` bytes from `offset` in the ring at `memory`; FAILED (regions
// empty) for an offset or count outside the ring.
inline SoundResult splitRegions(uint8_t* memory, uint32_t offset, uint32_t bytes, SoundRegions* regions) {
    *regions = SoundRegions{nullptr, 0, nullptr, 0};
    if (offset >= SOUND_RING_BYTES || bytes > SOUND_RING_BYTES) return SoundResult::FAILED;
    const uint32_t first = SOUND_RING_BYTES - offset;
    regions->ptr1 = memory + offset;
    regions->bytes1 = bytes <= first ? bytes : first;
    if (bytes > first) {
        regions->ptr2 = memory;
        regions->bytes2 = bytes - first;
    }
    return SoundResult::OK;
}

}  // namespace platform
