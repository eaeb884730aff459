#include "gameplay_fixture.h"

namespace gameplay_test {

using namespace skarvo;

void World::SetUp() {
    ASSERT_NE(game.texBoot, nullptr) << "the game's start-up runs first";
    game.clockMs = 0;
    game.frameMs = 0;
    game.dirX = game.dirY = game.fireHeld = 0;
    game.shotCounter = 0;
    game.progress = 100;
    for (auto& s : shots) s = EntityRecord();
    for (auto& t : targets) t = EntityRecord();
    player = PlayerRecord(nullptr);
    playerReset(player);
    game.playerRecord = &player;
    platform::Texture* kinds[4] = {game.texBoot, game.texVulture, game.texSnake, game.texTumbleweed};
    for (int i = 0; i < POOL_SIZE; ++i) targetSpawn(targets[i], kinds[i % 4]);
}

void World::step(uint32_t nowMs) {
    game.frameMs = static_cast<int32_t>(nowMs - static_cast<uint32_t>(game.clockMs));
    game.clockMs = static_cast<int32_t>(nowMs);
    playerUpdate(player);
    for (auto& s : shots) shotUpdate(s);
    for (auto& t : targets) targetUpdate(t);
}

std::vector<platform::SpriteDrawRecord> World::drawAll() {
    platform::SpriteBatch* batch = testBatch();
    platform::spriteBegin(batch, platform::SPRITE_ALPHABLEND | platform::SPRITE_SORT_DEPTH_BACKTOFRONT);
    for (auto& t : targets) targetDraw(t, batch);
    playerDraw(player, batch);
    for (auto& s : shots) shotDraw(s, batch);
    int count = 0;
    const platform::SpriteDrawRecord* draws = platform::headlessSpriteDraws(&count);
    std::vector<platform::SpriteDrawRecord> log(draws, draws + count);
    platform::spriteEnd(batch);
    return log;
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
