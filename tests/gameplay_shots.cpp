// Shots: the throw ring, velocities and refusals. (The spin, and which target a shot hits
// and that a spent one hits no more, are pinned by the checked-in replays.)
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
