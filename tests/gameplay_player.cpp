// The player figure: box and speeds, contact, game over and the pause, animation frames.
#include <cstring>
#include <optional>

#include "gameplay_fixture.h"

using namespace skarvo;
using gameplay_test::World;

namespace {

std::optional<platform::SpriteDrawRecord> figureDraw(const std::vector<platform::SpriteDrawRecord>& draws) {
    for (auto& d : draws)
        if (d.texture == game.texWalkA || d.texture == game.texWalkB || d.texture == game.texThrowA ||
            d.texture == game.texThrowB)
            return d;
    return std::nullopt;
}

}  // namespace

TEST_F(World, FigureStaysInItsBox) {
    parkTargets();
    game.dirX = 1;
    for (int n = 1; n <= 51; ++n) {
        advance(16);
        EXPECT_EQ(player.posX, std::min(8.0f * n, 400.0f)) << n;
    }
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

TEST_F(World, ContactRadiusIsStrict) {
    parkTargets();
    player.posX = 100.0f;
    player.posY = 300.0f;
    // Contact when (posX - tx - 15)² + (posY - ty - 40)² < 1600.
    place(25, 85.0f - 24.0f, 260.0f - 32.0f);  // 24² + 32² = 1600 exactly
    targets[25].velX = 0.0f;
    advance(0);
    EXPECT_EQ(player.health, 10);
    targets[25].posX = 61.5f;
    advance(0);
    EXPECT_EQ(player.health, 9);
}

TEST_F(World, EachTouchingTargetCostsALifePerFrame) {
    parkTargets();
    game.progress = 300;  // slots 12, 25, 38, 51
    player.posX = 100.0f;
    player.posY = 300.0f;
    place(25, 85.0f, 260.0f);  // a vulture, health 1
    targets[25].velX = 0.0f;
    game.clockMs = 5000;
    advance(0);
    EXPECT_EQ(player.health, 9);
    EXPECT_EQ(targets[25].health, 0);
    EXPECT_EQ(game.progress, 306);
    EXPECT_EQ(player.hitStamp, 5255);

    place(38, 85.0f, 260.0f);  // a snake, health 3, staying in touch
    targets[38].velX = 0.0f;
    for (int n = 0; n < 5; ++n) advance(0);
    EXPECT_EQ(player.health, 6);
    EXPECT_EQ(game.progress, 324);

    // Two targets touching in the same frame: two lives.
    place(12, 85.0f, 260.0f);
    place(51, 85.0f, 261.0f);
    targets[12].velX = targets[51].velX = 0.0f;
    advance(0);
    EXPECT_EQ(player.health, 4);
    EXPECT_EQ(game.progress, 336);
}

TEST_F(World, AnimationFrameFromThePhase) {
    parkTargets();
    advance(0);  // into the box at (0, 280): phase 560 + clock
    auto frameAt = [&](int32_t clock) {
        game.clockMs = clock;
        auto d = figureDraw(drawAll());
        return d ? d->texture : nullptr;
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
