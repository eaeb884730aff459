// The gameplay tests on the headless backend: the game's own start-up makes the
// device, the real textures and the sprite batch once for the whole binary.
#include "gameplay_fixture.h"

#include "shell/entry.h"
#include "shell/world.h"

namespace {

struct GameStartUp : ::testing::Environment {
    void SetUp() override { skarvo::startUp(); }
};
[[maybe_unused]] ::testing::Environment* const startUpOnce = ::testing::AddGlobalTestEnvironment(new GameStartUp);

}  // namespace

namespace gameplay_test {

using namespace skarvo;

void World::SetUp() {
    ASSERT_NE(game.textures[assets::BOOT], nullptr) << "the game's start-up runs first";
    game.clockMs = 0;
    game.frameMs = 0;
    game.dirX = game.dirY = game.fireHeld = 0;
    game.shotCounter = 0;
    game.progress = 100;
    for (auto& s : shots) s = EntityRecord();
    for (auto& t : targets) t = EntityRecord();
    setUpPlayerAndTargets(player);
}

void World::step(uint32_t nowMs) {
    setFrameClock(nowMs, static_cast<uint32_t>(game.clockMs));
    updateEntities();
}

std::vector<platform::SpriteDrawRecord> World::drawAll() {
    drawEntities(spriteBatch());
    int count = 0;
    const platform::SpriteDrawRecord* draws = platform::headlessSpriteDraws(&count);
    return std::vector<platform::SpriteDrawRecord>(draws, draws + count);
}

void World::place(int slot, float x, float y) {
    targets[slot].posX = x;
    targets[slot].posY = y;
    targets[slot].health = fullHealth(slot);
    targets[slot].hitStamp = game.clockMs - 1000;
}

void World::parkTargets() {
    for (auto& t : targets) {
        t.posX = 5000.0f;
        t.posY = -5000.0f;
        t.velX = 0.0f;
    }
}

}  // namespace gameplay_test
