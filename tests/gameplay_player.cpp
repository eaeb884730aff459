// The player figure: contact on the boundary, animation frames from the phase (the box,
// game over and the pause are pinned by the keys_and_close and long_game replays).
#include "gameplay_fixture.h"

using namespace skarvo;
using gameplay_test::World;

namespace {

// The figure's picture among this frame's draws, or nullptr when it is not drawn.
platform::Texture* figure(const std::vector<platform::SpriteDrawRecord>& draws) {
    for (const auto& d : draws)
        for (platform::Texture* t : {game.textures[assets::WALK_A], game.textures[assets::WALK_B], game.textures[assets::THROW_A], game.textures[assets::THROW_B]})
            if (d.texture == t) return t;
    return nullptr;
}

}  // namespace

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

TEST_F(World, AnimationFrameFromThePhase) {
    parkTargets();
    advance(0);  // into the box at (0, 280): phase 2 × posY + clock, frame B when bit 9 is clear
    // {clock, posY, frame B?}; halfway phases round to even: 511.5 → 512, -512.5 → -512.
    const float cases[][3] = {{-48, 280, 0}, {-49, 280.25f, 0}, {-1073, 280.25f, 0}, {-49, 280, 1}};
    for (auto c : cases) {
        game.clockMs = static_cast<int32_t>(c[0]);
        player.posY = c[1];
        EXPECT_EQ(figure(drawAll()), c[2] ? game.textures[assets::WALK_B] : game.textures[assets::WALK_A]) << c[0] << " " << c[1];
    }
    game.fireHeld = 1;
    EXPECT_EQ(figure(drawAll()), game.textures[assets::THROW_B]);
}
