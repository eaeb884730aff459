// The motion rule, the hit tint and its colours, and rounding of mixed int/float steps.
#include <cmath>
#include <cstring>
#include <random>

#include "gameplay/exact_float.h"
#include "gameplay_fixture.h"

using namespace skarvo;
using gameplay_test::World;

TEST(ExactFloat, ProductRoundsOnceForAnyInt32) {
    // An 80-bit long double holds every int32 × float product exactly, so one
    // conversion from it is the single rounding we want.
    std::mt19937 rng(7);
    for (int n = 0; n < 200000; ++n) {
        int32_t i = static_cast<int32_t>(rng());
        uint32_t bits = (rng() & 0x807FFFFFu) | ((100u + rng() % 60u) << 23);
        float f;
        std::memcpy(&f, &bits, sizeof f);
        float want = static_cast<float>(static_cast<long double>(i) * static_cast<long double>(f));
        ASSERT_EQ(productRounded(i, f), want) << i << " * " << f;
    }
    EXPECT_TRUE(std::signbit(productRounded(0, -2.0f)));
    EXPECT_TRUE(std::signbit(productRounded(-65536, 0.0f)));
}

TEST(ExactFloat, SumRoundsOnceEvenWhenDoubleWouldTie) {
    // 2^24 + 1 is halfway between two floats; the tiny addend must break the tie upwards,
    // which a plain double sum loses.
    EXPECT_EQ(sumRounded(0x1p-40f, 16777217), 16777218.0f);
    EXPECT_EQ(sumRounded(-0x1p-40f, 16777219), 16777218.0f);
    EXPECT_EQ(sumRounded(0.5f, 2147483647), 2147483648.0f);
    EXPECT_EQ(sumRounded(-1.0e10f, INT32_MIN), static_cast<float>(-1.0e10 - 2147483648.0));
}

TEST(Entity, ConstructionAndZeroPoolSlots) {
    game.clockMs = 5000;
    EntityRecord made(nullptr);
    EXPECT_EQ(made.velX, -1.0f);
    EXPECT_EQ(made.factor, 1.0f);
    EXPECT_EQ(made.health, 0);
    EXPECT_EQ(made.hitStamp, 4000);
    EXPECT_EQ(made.posX, 0.0f);
    game.clockMs = INT32_MIN + 10;  // stamp wraps rather than overflowing
    EXPECT_EQ(EntityRecord(nullptr).hitStamp, INT32_MAX - 989);
    game.clockMs = 0;
    EntityRecord slot;
    EXPECT_EQ(slot.velX, 0.0f);
    EXPECT_EQ(slot.factor, 0.0f);
    EXPECT_EQ(slot.hitStamp, 0);
}

TEST_F(World, MotionRuleScalesByFrameTimeOnly) {
    EntityRecord r;
    r.posX = 10.0f;
    r.posY = 7.3f;
    r.posZ = 0.25f;
    r.velX = 3.0f;
    r.velY = 0.0f;
    r.velZ = 9.0f;
    game.frameMs = 0;
    advanceEntity(r);
    EXPECT_EQ(r.posX, 10.0f);
    game.frameMs = 20;
    advanceEntity(r);
    EXPECT_EQ(r.posX, 25.0f);  // 0.75 px/ms
    EXPECT_EQ(r.posY, 7.3f);   // exactly unchanged
    EXPECT_EQ(r.posZ, 0.25f);  // depth velocity never applied
    r.velY = -2.0f;
    game.frameMs = 1000000;  // a long stall is not clamped
    advanceEntity(r);
    EXPECT_EQ(r.posY, 7.3f - 500000.0f);
}

TEST_F(World, TintColoursOfAHitAndAStart) {
    EXPECT_EQ(tintColour(0), 0xFFFFFFFFu);
    EXPECT_EQ(tintColour(255), 0xFFFF0000u);
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
    game.clockMs = T;
    r.hitStamp = T - 1000;  // started now: no tint at once
    EXPECT_EQ(hitTint(r), 0);
}

TEST_F(World, TintAcrossTheClockWrap) {
    EntityRecord r;
    game.clockMs = INT32_MAX - 100;
    r.hitStamp = wrapAdd(game.clockMs, 255);
    game.clockMs = wrapAdd(game.clockMs, 300);  // now negative
    EXPECT_EQ(hitTint(r), 210);
    // Stamps made at clock 0 seen from a negative clock run a tint that keeps changing.
    r.hitStamp = -1000;
    game.clockMs = -2000;
    EXPECT_EQ(hitTint(r), 1255);
}
