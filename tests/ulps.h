// ulps.h — how far apart two doubles are, in units in the last place, for the tests that
// hold our arithmetic against the C library's.
#pragma once

#include <cstdint>
#include <cstring>

// Distance in ulps between two finite doubles (adjacent doubles are 1 apart, +0 and -0 are 0).
inline int64_t ulpsApart(double a, double b) {
    auto ordered = [](double d) {
        int64_t bits;
        std::memcpy(&bits, &d, sizeof bits);
        return bits < 0 ? INT64_MIN - bits : bits;
    };
    int64_t d = ordered(a) - ordered(b);
    return d < 0 ? -d : d;
}
