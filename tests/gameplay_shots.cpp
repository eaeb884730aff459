// Shots: the throw ring, velocities and pictures, refusals, hits and the spin.
#include <cstring>

#include "gameplay_fixture.h"
#include "math/matrix.h"

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

TEST_F(World, SpinMovesInRoundedStepsAtLargeClocks) {
    // Near ten million ms the angle's float sum is a multiple of 64: clocks within one
    // step give the very same transform, the next step a different one.
    game.clockMs = 10000000;
    throwObject(player);
    auto spinAt = [&](int32_t clock) {
        game.clockMs = clock;
        return drawAll().back().transform;  // the shot is drawn last
    };
    const math::Matrix m0 = spinAt(10000000), m1 = spinAt(10000010), m2 = spinAt(10000100);
    EXPECT_EQ(0, std::memcmp(&m0, &m1, sizeof m0));
    EXPECT_NE(0, std::memcmp(&m0, &m2, sizeof m0));
}

// The angle is the float sum times the double nearest 1/300, rounded once: thrown and drawn at
// 1000 ms it is 3.33333325, where a float 1/300 would give 3.33333349.
TEST_F(World, SpinTakesTheLongConstantUnrounded) {
    game.clockMs = 1000;  // stamp 0: the sum is the clock
    throwObject(player);
    const platform::SpriteDrawRecord draw = drawAll().back();
    auto spinAbout = [&](float angle) {
        math::Quaternion q;
        math::quaternionRotationYawPitchRoll(&q, 0.0f, 0.0f, angle);
        math::Matrix m;
        math::matrixAffineTransformation(&m, 1.0f, &draw.position, &q, nullptr);
        return m;
    };
    const math::Matrix once = spinAbout(0x1.aaaaaap+1f), floatConstant = spinAbout(0x1.aaaaacp+1f);
    EXPECT_EQ(0, std::memcmp(&draw.transform, &once, sizeof once));
    EXPECT_NE(0, std::memcmp(&draw.transform, &floatConstant, sizeof once));
}
