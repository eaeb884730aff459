// Targets: spawn positions and ranks, taking part by level, the hit circle, wrapping.
#include <cmath>
#include <set>

#include "gameplay_fixture.h"

using namespace skarvo;
using gameplay_test::World;

TEST(TargetSlots, RanksArePermutationAndHealthCycles) {
    std::set<int> ranks;
    for (int i = 0; i < POOL_SIZE; ++i) ranks.insert(targetRank(i));
    EXPECT_EQ(ranks.size(), 64u);
    EXPECT_EQ(*ranks.rbegin(), 63);
    const int firstSlots[] = {12, 25, 38, 51, 0, 13, 26, 39};
    for (int r = 0; r < 8; ++r) EXPECT_EQ(targetRank(firstSlots[r]), r);
    const int health[] = {2, 1, 3, 2, 1, 3};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(fullHealth(i), health[i]);
}

TEST_F(World, SpawnPositionsAtStartUpAndRespawnHeightsByClockAndKind) {
    EXPECT_NEAR(targets[12].posX, 1073.687f, 0.0005f);
    EXPECT_EQ(targets[12].posY, 290.0f);
    EXPECT_NEAR(targets[25].posX, 1214.409f, 0.0005f);
    EXPECT_EQ(targets[25].posY, 160.0f);
    EXPECT_NEAR(targets[0].posX, 647.553f, 0.0005f);
    EXPECT_EQ(targets[0].health, 2);

    // Everything spawned in one frame shares one height per kind.
    for (auto& t : targets) t.posX = 3.0f;
    step(12345);  // 4 px to the left: all below 2.0, all spawned again
    const float ground = targets[0].posY;
    EXPECT_NE(ground, 290.0f);
    EXPECT_GE(ground, 240.0f);
    EXPECT_LE(ground, 340.0f);
    for (int i = 0; i < POOL_SIZE; ++i) {
        EXPECT_EQ(targets[i].posY, i % 4 == 1 ? ground - 130.0f : ground) << i;
        EXPECT_EQ(targets[i].hitStamp, 12345 - 1000);
    }
}

TEST_F(World, WrapsOnlyBelowTwoPixelsWhole) {
    place(12, 2.0f, 290.0f);
    step(0);  // frameMs 0: stays at exactly 2.0
    EXPECT_EQ(targets[12].posX, 2.0f);
    targets[12].health = 0;
    targets[12].hitStamp = 255;  // destroyed and flashing
    step(1);
    EXPECT_GT(targets[12].posX, 640.0f);
    EXPECT_EQ(targets[12].health, 2);
    EXPECT_EQ(hitTint(targets[12]), 0);
}

TEST_F(World, TakingPartFollowsProgress) {
    for (auto& t : targets) t.posX = 300.0f;  // all on screen
    const struct { int progress, drawn; } levels[] = {{100, 2}, {199, 2}, {200, 3}, {6299, 63}, {6300, 64}};
    for (auto l : levels) {
        game.progress = l.progress;
        EXPECT_EQ(static_cast<int>(drawAll().size()) - 1, l.drawn) << l.progress;  // less the figure
    }
    // A target out of the game cannot be hit either, wherever it is.
    game.progress = 100;
    place(0, 100.0f, 100.0f);  // rank 4
    EXPECT_FALSE(targetHitTest(targets[0], 115.0f, 125.0f, 0.0f, 25.0f));
    game.progress = 400;
    EXPECT_TRUE(targetHitTest(targets[0], 115.0f, 125.0f, 0.0f, 25.0f));
}

TEST_F(World, HitCircleBoundaryIsAMiss) {
    place(12, 100.0f, 100.0f);  // zone centre (115, 125) for radius 25
    EXPECT_FALSE(targetHitTest(targets[12], 140.0f, 125.0f, 0.0f, 25.0f));
    EXPECT_FALSE(targetHitTest(targets[12], 130.0f, 145.0f, 0.0f, 25.0f));  // 15² + 20² = 25²
    EXPECT_EQ(targets[12].health, 2);
    EXPECT_EQ(game.progress, 100);
    EXPECT_TRUE(targetHitTest(targets[12], std::nextafter(140.0f, 0.0f), 125.0f, 99.0f, 25.0f));
    EXPECT_TRUE(targetHitTest(targets[12], 130.0f, 144.9f, 0.0f, 25.0f));
    EXPECT_EQ(targets[12].health, 0);
    EXPECT_EQ(game.progress, 106);
    // Spent: no more hits, not drawn even while flashing, yet still moving.
    EXPECT_FALSE(targetHitTest(targets[12], 115.0f, 125.0f, 0.0f, 25.0f));
    EXPECT_EQ(hitTint(targets[12]), 510);
    for (const auto& d : drawAll()) EXPECT_FALSE(d.position.x == 100.0f && d.position.y == 100.0f);
    advance(40);
    EXPECT_EQ(targets[12].posX, 90.0f);
}
