// Targets: once-rounded spawn products, the hit circle, wrapping. (Which slots take part
// at a level, drawn and hit, is pinned by the checked-in replays.)
#include <cmath>

#include "gameplay_fixture.h"

using namespace skarvo;
using gameplay_test::World;

// 320 × cos a and 50 × sin b take the double cosine and sine as they are: rounding them to
// float first puts slot 45 at 661.731995 and the clock-38 heights at 257.608307 / 127.608307.
TEST_F(World, SpawnProductsTakeTheCosineAndSineUnrounded) {
    EXPECT_EQ(targets[45].posX, 0x1.4addb4p+9f);  // 661.732056
    for (auto& t : targets) t.posX = 3.0f;
    step(38);
    EXPECT_EQ(targets[0].posY, 0x1.019bb8p+8f);  // 257.608276
    EXPECT_EQ(targets[1].posY, 0x1.fe6eep+6f);   // 127.608276
}

TEST_F(World, WrapsOnlyBelowTwoPixelsWholeAgain) {
    place(12, 2.0f, 290.0f);
    step(0);  // frameMs 0: stays at exactly 2.0
    EXPECT_EQ(targets[12].posX, 2.0f);
    targets[12].health = 0;
    step(1);
    EXPECT_GT(targets[12].posX, 640.0f);
    EXPECT_EQ(targets[12].health, 2);
}

TEST_F(World, HitCircleBoundaryIsAMiss) {
    place(12, 100.0f, 100.0f);                                              // zone centre (115, 125) for radius 25
    EXPECT_FALSE(targetHitTest(targets[12], 130.0f, 145.0f, 0.0f, 25.0f));  // 15² + 20² = 25²
    EXPECT_EQ(targets[12].health, 2);
    EXPECT_TRUE(targetHitTest(targets[12], std::nextafter(140.0f, 0.0f), 125.0f, 99.0f, 25.0f));
    EXPECT_TRUE(targetHitTest(targets[12], 130.0f, 144.9f, 0.0f, 25.0f));
    EXPECT_EQ(targets[12].health, 0);
    EXPECT_EQ(game.progress, 106);
    EXPECT_FALSE(targetHitTest(targets[12], 115.0f, 125.0f, 0.0f, 25.0f));  // spent: no more hits
}
