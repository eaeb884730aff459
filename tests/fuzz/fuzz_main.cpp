// fuzz_main.cpp — libFuzzer entry for one parser; FUZZ_EXERCISE names its exercise
// function (exercise.h). A broken invariant aborts, so the input is kept as a finding.
#include <cstdio>
#include <cstdlib>

#include "exercise.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (!FUZZ_EXERCISE(data, size)) {
        std::fprintf(stderr, "fuzz: invariant broken by this input\n");
        std::abort();
    }
    return 0;
}
