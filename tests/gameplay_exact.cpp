// Once-rounded int × float products and sums, products of a float and a double, and the
// spawn coordinates that come of them with our cosine and sine in place of the C library's.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <random>

#include "gameplay/exact_float.h"
#include "math/trig.h"
#include "ulps.h"

using skarvo::productRounded;
using skarvo::productRoundedWide;
using skarvo::sumRounded;

namespace {

// f × d (both non-zero) in exact integer arithmetic, rounded to the nearest float (ties to even); normal
// results only.
float referenceProduct(float f, double d) {
    int ef, ed;
    const auto mf = static_cast<unsigned __int128>(std::ldexp(std::fabs(std::frexp(f, &ef)), 24));
    const auto md = static_cast<unsigned __int128>(std::ldexp(std::fabs(std::frexp(d, &ed)), 53));
    unsigned __int128 p = mf * md;  // value p·2^(ef + ed - 77)
    int shift = 0;
    while ((p >> shift) >= (static_cast<unsigned __int128>(1) << 24)) ++shift;
    unsigned __int128 q = p >> shift, rest = p - (q << shift), half = static_cast<unsigned __int128>(1) << (shift - 1);
    if (rest > half || (rest == half && (q & 1) != 0)) ++q;
    const float magnitude = std::ldexp(static_cast<float>(static_cast<uint32_t>(q)), shift + ef + ed - 77);
    return (f < 0) != (d < 0) ? -magnitude : magnitude;
}

}  // namespace

TEST(ExactFloat, OneRoundingForIntFloatProductsAndSums) {
    // An 80-bit long double holds every int32 × float product exactly: one conversion from it is the single rounding.
    std::mt19937 rng(7);
    for (int n = 0; n < 200000; ++n) {
        const int32_t i = static_cast<int32_t>(rng());
        const uint32_t bits = (rng() & 0x807FFFFFu) | ((100u + rng() % 60u) << 23);
        float f;
        std::memcpy(&f, &bits, sizeof f);
        ASSERT_EQ(productRounded(i, f), static_cast<float>(static_cast<long double>(i) * f)) << i << " * " << f;
    }
    // 2^24 + 1 lies halfway between two floats: the tiny addend must break the tie, which a double sum loses.
    EXPECT_EQ(sumRounded(0x1p-40f, 16777217), 16777218.0f);
}

TEST(ExactFloat, FloatTimesDoubleRoundsOnce) {
    // Rounding the double product first lands on a float midpoint and then goes to even.
    const struct {
        float f;
        double d;
        float once;
    } cases[] = {
        {3.0f, 0x1.555556aaaaaabp-2, 0x1.000002p+0f},
        {-3.0f, 0x1.555556aaaaaabp-2, -0x1.000002p+0f},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(productRoundedWide(c.f, c.d), c.once) << c.d;
        EXPECT_NE(static_cast<float>(static_cast<double>(c.f) * c.d), c.once) << "not a double-rounding case";
        EXPECT_EQ(referenceProduct(c.f, c.d), c.once);
    }
    std::mt19937_64 rng(16);
    std::uniform_real_distribution<double> wide(-1e6, 1e6);
    for (int i = 0; i < 200000; ++i) {
        const float f = static_cast<float>(wide(rng));
        const double d = wide(rng) * 1e-3;
        ASSERT_EQ(productRoundedWide(f, d), referenceProduct(f, d)) << f << " × " << d;
    }
    EXPECT_EQ(productRoundedWide(0.0f, 5.0), 0.0f);
    EXPECT_TRUE(std::signbit(productRoundedWide(-0.0f, 5.0)));
}

// Over a million angles our cosine and sine are within an ulp of glibc's, and the once-rounded
// spawn coordinates built on them come out the same bits.
TEST(ExactFloat, SpawnCoordinatesMatchTheCLibraryOverAMillionAngles) {
    std::mt19937 rng(45);
    int64_t sameX = 0, sameY = 0;
    int64_t worst = 0;
    for (int i = 0; i < 1000000; ++i) {
        const auto a = static_cast<int32_t>(rng());
        const double cosA = math::cosInt(a), sinA = math::sinInt(a);
        const double libCos = std::cos(static_cast<double>(a)), libSin = std::sin(static_cast<double>(a));
        worst = std::max({worst, ulpsApart(cosA, libCos), ulpsApart(sinA, libSin)});
        sameX += 960.0f + productRoundedWide(320.0f, cosA) == 960.0f + productRoundedWide(320.0f, libCos);
        sameY += 320.0f + productRoundedWide(50.0f, sinA) == 320.0f + productRoundedWide(50.0f, libSin);
    }
    EXPECT_LE(worst, 1);
    EXPECT_EQ(sameX, 1000000);
    EXPECT_EQ(sameY, 1000000);
}
