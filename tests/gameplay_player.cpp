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
    for (int n = 1; n <= 51; ++n) advance(16);  // 0.5 px/ms
    EXPECT_EQ(player.posX, 400.0f);             // not 408
    player.posY = 300.0f;
    game.dirX = -1;
    game.dirY = 1;  // Up: up the screen, both axes at full speed
    advance(80);
    EXPECT_EQ(player.posX, 360.0f);
    EXPECT_EQ(player.posY, 280.0f);  // not 260
    advance(1000);
    EXPECT_EQ(player.posX, 0.0f);
}

TEST_F(World, ContactIsStrictAndCostsALifePerTouchingTargetPerFrame) {
    parkTargets();
    game.progress = 300;  // slots 12, 25, 38, 51
    player.posX = 100.0f;
    player.posY = 300.0f;
    // Contact when (posX - tx - 15)² + (posY - ty - 40)² < 1600.
    place(25, 85.0f - 24.0f, 260.0f - 32.0f);  // 24² + 32² = 1600 exactly
    advance(0);
    EXPECT_EQ(player.health, 10);
    place(38, 85.0f, 260.0f);  // a snake, health 3, staying in touch until destroyed
    for (int n = 0; n < 5; ++n) advance(0);
    EXPECT_EQ(player.health, 7);
    EXPECT_EQ(game.progress, 318);
    place(12, 85.0f, 260.0f);  // two in the same frame: two lives
    place(51, 85.0f, 261.0f);
    advance(0);
    EXPECT_EQ(player.health, 5);
}

TEST_F(World, GameOverPausesWithoutThrowsAndReturns) {
    parkTargets();
    player.posX = 50.0f;
    player.posY = 350.0f;
    player.health = 1;
    place(25, 35.0f, 310.0f);
    step(1000);  // the last life
    targets[25].posX = 5000.0f;
    game.dirX = 1;
    step(1016);  // game over
    EXPECT_EQ(game.progress, 100);
    EXPECT_EQ(player.health, 10);
    step(2008);  // 992 ms of pause: hidden, standing still
    EXPECT_EQ(figure(drawAll()), nullptr);
    EXPECT_EQ(player.posX, 50.0f);
    step(2016);  // the pause has run out: moves in this very update, from where it stood
    EXPECT_EQ(player.posX, 54.0f);
}

TEST_F(World, AnimationFrameFromThePhase) {
    parkTargets();
    advance(0);  // into the box at (0, 280): phase 2 × posY + clock, frame B when bit 9 is clear
    // {clock, posY, frame B?}; halfway phases round to even: 511.5 → 512, 510.5 → 510.
    const float cases[][3] = {{-48, 280, 0}, {-49, 280, 1}, {-49, 280.25f, 0}, {-50, 280.25f, 1}};
    for (auto c : cases) {
        game.clockMs = static_cast<int32_t>(c[0]);
        player.posY = c[1];
        EXPECT_EQ(figure(drawAll()), c[2] ? game.texWalkB : game.texWalkA) << c[0] << " " << c[1];
    }
    game.fireHeld = 1;
    EXPECT_EQ(figure(drawAll()), game.texThrowB);
}
