// validate.h — checks a packed MXM module from an untrusted source before loading.
//
// The player trusts its module (it checks only the magic). A module that passes
// validateModule can be loaded and played for ever without a read or write outside
// its image: header limits, every offset that play can reach (order list →
// patterns; instruments; sample records → sample points, including the point read
// past `end`), every pattern stream reachable from the order list, envelope and
// auto-vibrato limits, and loop bounds are checked.
//
//   mxm::ValidationError err;
//   if (!mxm::validateModule(bytes, size, &err))
//       std::fprintf(stderr, "invalid module at byte %u: %s\n", err.offset, err.message);
//
// Units: offsets in bytes from the first byte of the module. Allocates nothing.
#pragma once

#include <cstddef>
#include <cstdint>

namespace mxm {

struct ValidationError {
    char message[192];  // one line, no trailing newline
    uint64_t offset;    // byte offset of the first wrong byte (or where data ran out)
};

// True when the module is safe to load and play. On failure fills *error (if given).
bool validateModule(const uint8_t* data, size_t size, ValidationError* error);

}  // namespace mxm
