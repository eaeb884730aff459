// The motion rule, the hit tint and its colours, and rounding of mixed int/float steps.
#include <cmath>
#include <cstring>
#include <random>

#include "gameplay/exact_float.h"
#include "gameplay_fixture.h"

using namespace skarvo;
using gameplay_test::World;

TEST(ExactFloat, OneRoundingForIntFloatProductsAndSums) {
    // An 80-bit long double holds every int32 × float product exactly: one conversion
    // from it is the single rounding wanted.
    std::mt19937 rng(7);
    for (int n = 0; n < 200000; ++n) {
        int32_t i = static_cast<int32_t>(rng());
        uint32_t bits = (rng() & 0x807FFFFFu) | ((100u + rng() % 60u) << 23);
        float f;
        std::memcpy(&f, &bits, sizeof f);
        ASSERT_EQ(productRounded(i, f), static_cast<float>(static_cast<long double>(i) * f)) << i << " * " << f;
    }
    EXPECT_TRUE(std::signbit(productRounded(0, -2.0f)));
    // 2^24 + 1 lies halfway between two floats: the tiny addend must break the tie,
    // which a plain double sum loses.
    EXPECT_EQ(sumRounded(0x1p-40f, 16777217), 16777218.0f);
    EXPECT_EQ(sumRounded(-0x1p-40f, 16777219), 16777218.0f);
}

TEST_F(World, MotionRuleScalesByFrameTimeOnly) {
    EntityRecord r;
    r.posX = 10.0f;
    r.posY = 7.3f;
    r.velX = 3.0f;
    r.velZ = 9.0f;
    game.frameMs = 0;
    advanceEntity(r);
    EXPECT_EQ(r.posX, 10.0f);
    game.frameMs = 20;
    advanceEntity(r);
    EXPECT_EQ(r.posX, 25.0f);  // 0.75 px/ms
    EXPECT_EQ(r.posY, 7.3f);   // exactly unchanged with velY 0
    EXPECT_EQ(r.posZ, 0.0f);   // depth velocity never applied
}

TEST_F(World, TintColoursOfAHit) {
    EXPECT_EQ(tintColour(0), 0xFFFFFFFFu);
    EXPECT_EQ(tintColour(256), 0xFFFFFFFFu);
    EXPECT_EQ(tintColour(300), 0xFFFFD3D3u);
    EntityRecord r;
    const int32_t T = 123456;
    r.hitStamp = T + 255;
    struct {
        int32_t at;
        uint32_t colour;
    } seq[] = {{T, 0xFFFF0101u},       {T + 254, 0xFFFFFFFFu}, {T + 255, 0xFFFF0000u},
               {T + 509, 0xFFFFFEFEu}, {T + 510, 0xFFFFFFFFu}, {T + 5000, 0xFFFFFFFFu}};
    for (auto s : seq) {
        game.clockMs = s.at;
        EXPECT_EQ(tintColour(hitTint(r)), s.colour) << "at T+" << s.at - T;
    }
    // A hit just before the clock turns negative keeps flashing across the wrap.
    game.clockMs = INT32_MAX - 100;
    r.hitStamp = wrapAdd(game.clockMs, 255);
    game.clockMs = wrapAdd(game.clockMs, 300);
    EXPECT_EQ(hitTint(r), 210);
}
