// The player figure: box and speeds, contact, game over and the pause, animation frames.
#include "gameplay_fixture.h"

using namespace skarvo;
using gameplay_test::World;

namespace {

// The figure's picture among this frame's draws, or nullptr when it is not drawn.
platform::Texture* figure(const std::vector<platform::SpriteDrawRecord>& draws) {
    for (const auto& d : draws)
        for (platform::Texture* t : {game.texWalkA, game.texWalkB, game.texThrowA, game.texThrowB})
            if (d.texture == t) return t;
    return nullptr;
}

}  // namespace

TEST_F(World, FigureStaysInItsBox) {
    parkTargets();
    game.dirX = 1;
    advance(16);
    EXPECT_EQ(player.posX, 8.0f);  // 0.5 px/ms
    for (int n = 2; n <= 51; ++n) advance(16);
    EXPECT_EQ(player.posX, 400.0f);  // not 408
    player.posX = 100.0f;
    player.posY = 300.0f;
    game.dirX = -1;
    game.dirY = 1;  // Up: up the screen, both axes at full speed
    advance(250);
    EXPECT_EQ(player.posX, 0.0f);  // not -25
    EXPECT_EQ(player.posY, 280.0f);
    game.dirY = -1;
    advance(40);
    EXPECT_FLOAT_EQ(player.posY, 300.0f);  // 0.001 is not exact in float: 300.000002
}

TEST_F(World, ContactIsStrictAndCostsALifePerTouchingTargetPerFrame) {
    parkTargets();
    game.progress = 300;  // slots 12, 25, 38, 51
    player.posX = 100.0f;
    player.posY = 300.0f;
    for (int slot : {12, 25, 38, 51}) targets[slot].velX = 0.0f;
    // Contact when (posX - tx - 15)² + (posY - ty - 40)² < 1600.
    place(25, 85.0f - 24.0f, 260.0f - 32.0f);  // 24² + 32² = 1600 exactly
    advance(0);
    EXPECT_EQ(player.health, 10);
    game.clockMs = 5000;
    targets[25].posX = 61.5f;  // a vulture, health 1
    advance(0);
    EXPECT_EQ(player.health, 9);
    EXPECT_EQ(targets[25].health, 0);
    EXPECT_EQ(game.progress, 306);
    EXPECT_EQ(player.hitStamp, 5255);

    place(38, 85.0f, 260.0f);  // a snake, health 3, staying in touch
    for (int n = 0; n < 5; ++n) advance(0);
    EXPECT_EQ(player.health, 6);
    EXPECT_EQ(game.progress, 324);
    place(12, 85.0f, 260.0f);  // two in the same frame: two lives
    place(51, 85.0f, 261.0f);
    advance(0);
    EXPECT_EQ(player.health, 4);
    EXPECT_EQ(game.progress, 336);
}

TEST_F(World, GameOverPausesWithoutThrowsAndReturns) {
    parkTargets();
    game.progress = 1234;
    player.posX = 50.0f;
    player.posY = 350.0f;
    player.health = 1;
    place(25, 35.0f, 310.0f);
    targets[25].velX = 0.0f;
    step(1000);  // the last life
    targets[25].posX = 5000.0f;
    game.dirX = game.dirY = 1;
    step(1016);  // game over
    EXPECT_EQ(game.progress, 100);
    EXPECT_EQ(player.health, 10);
    step(2008);  // 992 ms of pause: hidden, standing still, no throws
    EXPECT_EQ(figure(drawAll()), nullptr);
    EXPECT_EQ(player.posX, 50.0f);
    throwObject(player);
    EXPECT_EQ(game.shotCounter, 0);
    step(2016);  // the pause has run out: moves in this very update, from where it stood
    EXPECT_EQ(player.restartTimer, 0);
    EXPECT_EQ(player.posX, 54.0f);
    throwObject(player);
    EXPECT_EQ(game.shotCounter, 1);
}

TEST_F(World, AnimationFrameFromThePhase) {
    parkTargets();
    advance(0);  // into the box at (0, 280): phase 560 + clock
    auto frameAt = [&](int32_t clock) {
        game.clockMs = clock;
        return figure(drawAll());
    };
    EXPECT_EQ(frameAt(0), game.texWalkA);    // 560: bit 9 set
    EXPECT_EQ(frameAt(500), game.texWalkB);  // 1060: clear
    EXPECT_EQ(frameAt(-48), game.texWalkA);  // 512
    EXPECT_EQ(frameAt(-49), game.texWalkB);  // 511
    game.fireHeld = 1;
    EXPECT_EQ(frameAt(0), game.texThrowA);
    EXPECT_EQ(frameAt(500), game.texThrowB);
    // Halfway phases round to even (2 × 280.25 = 560.5).
    game.fireHeld = 0;
    player.posY = 280.25f;
    EXPECT_EQ(frameAt(-49), game.texWalkA);  // 511.5 rounds to 512
    EXPECT_EQ(frameAt(-48), game.texWalkA);  // 512.5 rounds to 512
    EXPECT_EQ(frameAt(-50), game.texWalkB);  // 510.5 rounds to 510
}
