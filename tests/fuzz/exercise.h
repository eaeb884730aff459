// exercise.h — one untrusted input through each parser we own, as the fuzzers
// (fuzz_main.cpp) and the fuzz regression test run it, through the code the game and the
// tools call. Parse errors are swallowed; the sanitizers catch memory and UB faults; false
// means a broken invariant (a compiled module failing validation, a texture of the wrong
// size, ...).
#pragma once

#include <cstddef>
#include <cstdint>

// Module: validated, loaded from a copy of exactly its size (so the address sanitizer
// sees a stray access) and played for `frames` frames. Returns whether it was valid.
bool exerciseModule(const uint8_t* data, size_t size, uint32_t frames);
// As the fuzzer plays it: a render of 0.01..0.5 s (the last byte picks), thousands of
// ticks without mixing to reach late rows and orders, another render. Always true.
bool exerciseModuleInput(const uint8_t* data, size_t size);
// Song text (with the game's instruments) and instrument text (with the game's song, or
// an empty one when the text lacks its instruments): a module that compiles must validate.
bool exerciseSongText(const uint8_t* data, size_t size);
bool exerciseInstrumentText(const uint8_t* data, size_t size);
// Pixel art: no picture larger than the game decodes; a small one, encoded as the image
// generator does, decodes back to its size and colours.
bool exercisePixelArt(const uint8_t* data, size_t size);
// skarvo-sim replay script: a failure comes with a "line N: ..." message.
bool exerciseReplayScript(const uint8_t* data, size_t size);
// PNG bytes (chunk CRCs set right first, so mutations get past them) to the game's
// keyed, power-of-two texture.
bool exerciseTexture(const uint8_t* data, size_t size);
