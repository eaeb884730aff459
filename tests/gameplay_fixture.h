// gameplay_fixture.h — a fresh game world for gameplay tests, stepped and drawn by the
// game's own world steps (shell/world.h) without the rest of the frame. The game's real
// start-up (gameplay_fixture.cpp) makes the device, textures and sprite batch once.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "gameplay/entity.h"
#include "gameplay/game_state.h"
#include "gameplay/player_figure.h"
#include "gameplay/shots.h"
#include "gameplay/targets.h"
#include "platform/headless/headless.h"
#include "shell/entry.h"
#include "shell/world.h"

namespace gameplay_test {

class World : public ::testing::Test {
  protected:
    skarvo::PlayerRecord player;

    // As start-up leaves things: clock 0, pools zero, then start-up's player and targets.
    void SetUp() override {
        using namespace skarvo;
        ASSERT_NE(game.textures[assets::BOOT], nullptr) << "the game's start-up runs first";
        game.clockMs = game.frameMs = 0;
        game.dirX = game.dirY = game.fireHeld = game.shotCounter = 0;
        game.progress = 100;
        for (auto& s : shots) s = EntityRecord();
        for (auto& t : targets) t = EntityRecord();
        setUpPlayerAndTargets(player);
    }
    // One frame's clock read at `nowMs` and its updates.
    void step(uint32_t nowMs) {
        skarvo::setFrameClock(nowMs, static_cast<uint32_t>(skarvo::game.clockMs));
        skarvo::updateEntities();
    }
    // Moves the clock by `ms` and runs one frame.
    void advance(int32_t ms) { step(static_cast<uint32_t>(skarvo::game.clockMs) + static_cast<uint32_t>(ms)); }
    // The frame's draws in their batch, as recorded (before sorting).
    std::vector<platform::SpriteDrawRecord> drawAll() {
        skarvo::drawEntities(skarvo::spriteBatch());
        int count = 0;
        const platform::SpriteDrawRecord* draws = platform::headlessSpriteDraws(&count);
        return std::vector<platform::SpriteDrawRecord>(draws, draws + count);
    }
    // Puts a target (rank permitting) somewhere, whole and untinted.
    void place(int slot, float x, float y) {
        skarvo::EntityRecord& t = skarvo::targets[slot];
        t.posX = x, t.posY = y, t.health = skarvo::fullHealth(slot), t.hitStamp = skarvo::game.clockMs - 1000;
    }
    // Parks every target far away, so only placed ones can touch anything.
    void parkTargets() {
        for (auto& t : skarvo::targets) t.posX = 5000.0f, t.posY = -5000.0f, t.velX = 0.0f;
    }
};

}  // namespace gameplay_test
