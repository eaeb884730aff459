// fuzz_module.cpp — libFuzzer entry: arbitrary bytes through validate + load + render.
// A module that passes validation must play without any out-of-image access, UB or hang.
#include "exercise.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    exerciseModule(data, size, 2 * 44100);
    return 0;
}
