// Shots: the throw ring, velocities, refusals and hits. (The spin is pinned by the
// checked-in replays, whose draws carry each shot's transform.)
#include "gameplay_fixture.h"

using namespace skarvo;
using gameplay_test::World;

TEST_F(World, ThrowsFillTheRingFromSlotOne) {
    parkTargets();
    for (int n = 1; n <= 63; ++n) throwObject(player);
    EXPECT_EQ(shots[0].health, 0);
    EXPECT_EQ(shots[63].health, 1);
    shots[1].posX = 999.0f;  // still in flight: the 65th throw takes it over anyway
    throwObject(player);
    throwObject(player);
    EXPECT_EQ(shots[0].health, 1);
    EXPECT_EQ(shots[1].posX, player.posX + 15.0f);  // thrown again, from the hand
}

TEST_F(World, ThrowVelocityFromTheKeys) {
    const float keys[][4] = {{0, 0, 1, 0}, {1, 0, 3, 0}, {-1, 0, -1, 0}, {0, 1, 1, -2}, {0, -1, 1, 2}};
    for (auto k : keys) {
        game.dirX = static_cast<int>(k[0]);
        game.dirY = static_cast<int>(k[1]);
        throwObject(player);
        EXPECT_EQ(shots[game.shotCounter & 63].velX, k[2]);
        EXPECT_EQ(shots[game.shotCounter & 63].velY, k[3]);
    }
}

TEST_F(World, NoThrowDuringThePauseOrWithoutLives) {
    player.restartTimer = 1;
    throwObject(player);
    player.restartTimer = 0;
    player.health = 0;
    throwObject(player);
    EXPECT_EQ(game.shotCounter, 0);
    for (auto& s : shots) EXPECT_EQ(s.health, 0);
}

TEST_F(World, ShotsHitTheLowestOverlappingSlotOnceEach) {
    parkTargets();
    game.progress = 1000;       // ranks up to 10 take part
    place(12, 200.0f, 200.0f);  // health 2
    place(26, 200.0f, 200.0f);  // health 3
    for (int n = 1; n <= 3; ++n) shots[n].posX = 213.0f + n, shots[n].posY = 225.0f, shots[n].health = 1;
    step(4);  // two finish slot 12 in this frame; the third finds it gone and takes slot 26
    EXPECT_EQ(targets[12].health, 0);
    EXPECT_EQ(targets[26].health, 2);
    step(8);  // spent shots hit nothing more
    EXPECT_EQ(targets[26].health, 2);
}
