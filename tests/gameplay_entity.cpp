// Rounding of mixed int/float steps.
#include <cstring>
#include <random>

#include "gameplay/exact_float.h"
#include "gameplay_fixture.h"

using namespace skarvo;

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
