// The motion rule, the hit tint and its colours, and rounding of mixed int/float steps.
#include <cstring>
#include <random>

#include "gameplay/exact_float.h"
#include "gameplay_fixture.h"

using namespace skarvo;
using gameplay_test::World;

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

TEST_F(World, MotionRuleScalesByFrameTimeOnly) {
    EntityRecord r;
    r.posX = 10.0f;
    r.posY = 7.3f;
    r.velX = 3.0f;
    r.velZ = 9.0f;
    game.frameMs = 20;
    advanceEntity(r);
    EXPECT_EQ(std::vector<float>({r.posX, r.posY, r.posZ}), std::vector<float>({25.0f, 7.3f, 0.0f}));  // 0.75 px/ms
}

TEST_F(World, TintColoursOfAHit) {
    EntityRecord r;
    const int32_t T = 123456;
    r.hitStamp = T + 255;
    // Clock offsets from T and the colour then.
    const uint32_t seq[][2] = {
        {0, 0xFFFF0101u}, {254, 0xFFFFFFFFu}, {255, 0xFFFF0000u}, {509, 0xFFFFFEFEu}, {510, ~0u}};
    for (auto s : seq) {
        game.clockMs = T + static_cast<int32_t>(s[0]);
        EXPECT_EQ(tintColour(hitTint(r)), s[1]) << "at T+" << s[0];
    }
}
