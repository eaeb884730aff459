// gameplay_fixture.h — a fresh game world for gameplay tests, stepped and drawn by the
// game's own world steps (shell/world.h) without the rest of the frame, and the sprite
// batch's draw log.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "gameplay/entity.h"
#include "gameplay/player_figure.h"
#include "gameplay/shots.h"
#include "gameplay/targets.h"
#include "gameplay/game_state.h"
#include "platform/headless/headless.h"

namespace gameplay_test {

class World : public ::testing::Test {
  protected:
    skarvo::PlayerRecord player;

    // As start-up leaves things: clock 0, pools zero, then start-up's player and targets.
    void SetUp() override;
    // One frame's clock read at `nowMs` and its updates.
    void step(uint32_t nowMs);
    // Moves the clock by `ms` and runs one frame.
    void advance(int32_t ms) { step(static_cast<uint32_t>(skarvo::game.clockMs) + static_cast<uint32_t>(ms)); }
    // The frame's draws in their batch, as recorded (before sorting).
    std::vector<platform::SpriteDrawRecord> drawAll();
    // Puts a target (rank permitting) somewhere, whole and untinted.
    void place(int slot, float x, float y);
    // Parks every target far away, so only placed ones can touch anything.
    void parkTargets();
};

}  // namespace gameplay_test
