// Our sine and cosine against the C library's (glibc's are within an ulp of the true value):
// integers near multiples of π, where an inexact reduction loses most digits, and float angles
// from small to the largest.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <random>

#include "platform/trig.h"

namespace {

// Distance in ulps between two finite doubles.
int64_t ulpsApart(double a, double b) {
    auto ordered = [](double d) {
        int64_t bits;
        std::memcpy(&bits, &d, sizeof bits);
        return bits < 0 ? INT64_MIN - bits : bits;
    };
    int64_t d = ordered(a) - ordered(b);
    return d < 0 ? -d : d;
}

}  // namespace

TEST(Trig, IntegersNearMultiplesOfPiAndAtTheEnds) {
    // Numerators of the convergents of π: sin is down to 1e-9 and every bit of it counts.
    const int32_t cases[] = {0,         1,         -1,        2,          355,         103993,  5419351,
                             165707065, 245850922, 411557987, 1068966896, -1068966896, INT_MAX, INT_MIN};
    for (int32_t a : cases) {
        EXPECT_LE(ulpsApart(platform::sinInt(a), std::sin(static_cast<double>(a))), 1) << a;
        EXPECT_LE(ulpsApart(platform::cosInt(a), std::cos(static_cast<double>(a))), 1) << a;
    }
    EXPECT_EQ(platform::sinInt(0), 0.0);
    EXPECT_EQ(platform::cosInt(0), 1.0);
}

TEST(Trig, FloatAnglesWithinAnUlp) {
    std::mt19937 rng(20261207);
    std::uniform_real_distribution<float> clockRange(-60000.0f, 60000.0f);  // spin angles of a long game
    int64_t worst = 0;
    for (int i = 0; i < 400000; ++i) {
        float x = clockRange(rng);
        if (i % 2 == 1) {  // every finite float, the largest included
            uint32_t bits = static_cast<uint32_t>(rng());
            std::memcpy(&x, &bits, sizeof x);
            if (!std::isfinite(x)) continue;
        }
        worst = std::max({worst, ulpsApart(platform::sinFloat(x), std::sin(static_cast<double>(x))),
                          ulpsApart(platform::cosFloat(x), std::cos(static_cast<double>(x)))});
    }
    EXPECT_LE(worst, 1);
}

TEST(Trig, FloatSpecialValues) {
    EXPECT_TRUE(std::signbit(platform::sinFloat(-0.0f)));
    EXPECT_EQ(platform::sinFloat(-0.0f), 0.0);
    EXPECT_EQ(platform::cosFloat(-0.0f), 1.0);
    EXPECT_EQ(platform::sinFloat(0x1p-149f), 0x1p-149);  // sin x = x this small
    const float nan = std::nanf(""), inf = INFINITY;
    for (float x : {nan, inf, -inf}) {
        EXPECT_TRUE(std::isnan(platform::sinFloat(x))) << x;
        EXPECT_TRUE(std::isnan(platform::cosFloat(x))) << x;
    }
    // Just either side of π/4, where the reduction starts.
    for (float x : {0x1.921fb4p-1f, 0x1.921fb6p-1f, -0x1.921fb6p-1f, 0x1.921fb6p+0f, 0x1.921fb6p+1f}) {
        EXPECT_LE(ulpsApart(platform::sinFloat(x), std::sin(static_cast<double>(x))), 1) << x;
        EXPECT_LE(ulpsApart(platform::cosFloat(x), std::cos(static_cast<double>(x))), 1) << x;
    }
}
