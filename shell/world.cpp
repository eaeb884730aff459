// world.cpp — the game world's steps of start-up and of each frame, in the game's order.
#include "shell/world.h"

#include "gameplay/game_state.h"
#include "gameplay/player_figure.h"
#include "gameplay/shots.h"
#include "gameplay/targets.h"

namespace skarvo {

void setUpPlayerAndTargets(PlayerRecord& player) {
    // Set before the first message can reach the window procedure, which throws with it.
    player = PlayerRecord(nullptr);
    playerReset(player);
    game.playerRecord = &player;

    const assets::TextureField kinds[4] = {assets::BOOT, assets::VULTURE, assets::SNAKE, assets::TUMBLEWEED};
    for (int i = 0; i < POOL_SIZE; ++i) targetSpawn(targets[i], game.textures[kinds[i % 4]]);
}

void setFrameClock(uint32_t nowMs, uint32_t prevMs) {
    game.frameMs = static_cast<int32_t>(nowMs - prevMs);
    game.clockMs = static_cast<int32_t>(nowMs);
}

void updateEntities() {
    playerUpdate(*game.playerRecord);
    for (EntityRecord& shot : shots) shotUpdate(shot);
    for (EntityRecord& target : targets) targetUpdate(target);
}

void drawEntities(platform::SpriteBatch* batch) {
    platform::spriteBegin(batch);
    for (EntityRecord& target : targets) targetDraw(target, batch);
    playerDraw(*game.playerRecord, batch);
    for (EntityRecord& shot : shots) shotDraw(shot, batch);
    platform::spriteEnd(batch);
}

}  // namespace skarvo
