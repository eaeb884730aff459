// exercise.h — one untrusted module through validation, loading and rendering, as the
// fuzzer and the fuzz regression test run it.
//
//   bool playable = exerciseModule(bytes, size, 2 * 44100);
//
// The module is copied into an allocation of exactly its size before loading, so a
// read or write outside the image is caught by the address sanitizer.
#pragma once

#include <cstddef>
#include <cstdint>

// Returns whether the module passed validation (and so was played for `frames` frames).
bool exerciseModule(const uint8_t* data, size_t size, uint32_t frames);
