// exercise.h — one untrusted input through each parser we own, exactly as the fuzzers
// (fuzz_main.cpp) and the fuzz regression test run it. Each function calls the code
// the game and the tools call; none copies it.
//
//   bool playable = exerciseModule(bytes, size, 2 * 44100);
//   if (!exerciseSongText(bytes, size)) abort();   // false: an invariant broke
//
// Parse errors are expected and swallowed; any other exception escapes. The sanitizers
// catch memory and UB faults; the bool results report broken invariants (a compiled
// module that fails validation, a decoded texture of the wrong size, ...).
#pragma once

#include <cstddef>
#include <cstdint>

// Module: validated, loaded from a copy of exactly its size (so a read or write outside
// the image is caught by the address sanitizer) and played for `frames` frames.
// Returns whether the module passed validation.
bool exerciseModule(const uint8_t* data, size_t size, uint32_t frames);
// Module as the fuzzer plays it: a short render whose length the input's last byte
// picks (0.01..0.5 s), thousands of sequencer ticks without mixing to reach late rows
// and orders, then another short render from there. Always true.
bool exerciseModuleInput(const uint8_t* data, size_t size);

// Song text (the game's instruments) and instrument text (the game's song, or an empty
// one when it names instruments the text lacks): parse, synthesise, compile; a module
// that compiles must pass validation.
bool exerciseSongText(const uint8_t* data, size_t size);
bool exerciseInstrumentText(const uint8_t* data, size_t size);

// Pixel-art text: parse (a picture larger than the game can decode is a fault); a small
// enough picture is encoded as the image generator does and decoded back through the
// texture path, which must give its size and colours.
bool exercisePixelArt(const uint8_t* data, size_t size);

// skarvo-sim replay script: parse; a failure must come with a "line N: ..." message.
bool exerciseReplayScript(const uint8_t* data, size_t size);

// Texture path: PNG bytes -> RGBA -> the game's colour key -> power-of-two scaling. The
// input's chunk CRCs are set right first, so mutations get past the checksums.
bool exerciseTexture(const uint8_t* data, size_t size);
