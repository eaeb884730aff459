// Shots: the throw ring, velocities and pictures, refusals, hits and the spin.
#include <cstring>

#include "gameplay_fixture.h"

using namespace skarvo;
using gameplay_test::World;

TEST_F(World, ThrowsFillTheRingFromSlotOne) {
    parkTargets();
    for (int n = 1; n <= 63; ++n) throwObject(player);
    EXPECT_EQ(shots[1].health, 1);
    EXPECT_EQ(shots[63].health, 1);
    EXPECT_EQ(shots[0].health, 0);
    shots[1].posX = 999.0f;  // still in flight: the 65th throw takes it over anyway
    throwObject(player);
    EXPECT_EQ(shots[0].health, 1);
    throwObject(player);
    EXPECT_EQ(game.shotCounter, 65);
    EXPECT_EQ(shots[1].posX, player.posX + 15.0f);  // thrown from the hand
    EXPECT_EQ(shots[1].posY, player.posY - 30.0f);
}

TEST_F(World, ThrowVelocityFromTheKeys) {
    const struct {
        int dx, dy;
        float vx, vy;
    } keys[] = {{0, 0, 1.0f, 0.0f}, {1, 0, 3.0f, 0.0f}, {-1, 0, -1.0f, 0.0f}, {0, 1, 1.0f, -2.0f}, {0, -1, 1.0f, 2.0f}};
    for (auto k : keys) {
        game.dirX = k.dx;
        game.dirY = k.dy;
        throwObject(player);
        EXPECT_EQ(shots[game.shotCounter & 63].velX, k.vx);
        EXPECT_EQ(shots[game.shotCounter & 63].velY, k.vy);
    }
}

TEST_F(World, PictureChosenByTheClock) {
    const struct {
        int32_t clock;
        platform::Texture* tex;
    } cases[] = {{0, game.texBanana},   {64, game.texRing},    {128, game.texPlate}, {192, game.texJoystick},
                 {319, game.texBottle}, {320, game.texBanana}, {-1, game.texBottle}, {-320, game.texBanana}};
    for (auto c : cases) {
        game.clockMs = c.clock;
        throwObject(player);
        EXPECT_EQ(shots[game.shotCounter & 63].texture, c.tex) << c.clock;
        EXPECT_EQ(shots[game.shotCounter & 63].hitStamp, c.clock - 1000);
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
    for (int n = 1; n <= 3; ++n) {
        shots[n].posX = 213.0f + n;
        shots[n].posY = 225.0f;
        shots[n].velX = 1.0f;
        shots[n].health = 1;
    }
    step(4);  // two finish slot 12 in this frame; the third finds it gone and takes slot 26
    EXPECT_EQ(targets[12].health, 0);
    EXPECT_EQ(targets[26].health, 2);
    EXPECT_EQ(game.progress, 1009);
    EXPECT_EQ(shots[1].health + shots[2].health + shots[3].health, 0);
    step(8);  // spent shots hit nothing more
    EXPECT_EQ(targets[26].health, 2);
}

namespace {

// The transform shots[1] is drawn with when the clock reads `clock`.
platform::Matrix spinAt(int32_t clock) {
    game.clockMs = clock;
    platform::SpriteBatch* batch = gameplay_test::testBatch();
    platform::spriteBegin(batch, 0);
    shotDraw(shots[1], batch);
    int count = 0;
    const platform::Matrix m = platform::headlessSpriteDraws(&count)->transform;
    platform::spriteEnd(batch);
    EXPECT_EQ(count, 1);
    return m;
}

}  // namespace

TEST_F(World, SpinMovesInRoundedStepsAtLargeClocks) {
    // Near ten million ms the angle's float sum is a multiple of 64: clocks within one
    // step give the very same transform, the next step a different one.
    game.clockMs = 10000000;
    throwObject(player);
    const platform::Matrix m0 = spinAt(10000000), m1 = spinAt(10000010), m2 = spinAt(10000100);
    EXPECT_EQ(0, std::memcmp(&m0, &m1, sizeof m0));
    EXPECT_NE(0, std::memcmp(&m0, &m2, sizeof m0));
}
