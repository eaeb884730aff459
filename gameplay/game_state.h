// game_state.h — the game's one global record: frame clock, control flags, counters,
// the textures and the reference to the player record.
//
// Static storage, zero at start but `progress` (100); filled by start-up, written every
// frame by the frame loop, by the window procedure and by gameplay, never torn down.
// Only the game thread touches it. The window and the device are the shell's.
//
//   platform::Texture* boot = game.textures[assets::BOOT];
#pragma once

#include <cstdint>

#include "assets/catalogue.h"
#include "platform/platform.h"

namespace skarvo {

struct PlayerRecord;

struct GameState {
    // Timing (milliseconds).
    int32_t clockMs = 0;  // the clock as read at the top of this frame, as signed
    int32_t frameMs = 0;  // since the previous frame's read (unsigned difference)
    // Controls, written only by the window procedure.
    int32_t dirX = 0;  // -1 Left, +1 Right, 0 released
    int32_t dirY = 0;  // +1 Up, -1 Down, 0 released
    int32_t fireHeld = 0;
    // Game counters.
    int32_t shotCounter = 0;
    int32_t progress = 100;
    PlayerRecord* playerRecord = nullptr;
    // Each decoded once at start-up from its image of the catalogue.
    platform::Texture* textures[assets::TEXTURE_COUNT] = {};
};

extern GameState game;

}  // namespace skarvo
