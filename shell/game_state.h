// game_state.h — the game's one global record: frame clock, control flags, counters,
// platform handles, the fourteen textures and the reference to the player record.
//
// Static storage, zero at start but `progress` (100); filled by start-up, written
// every frame by the frame loop, by the window procedure and by gameplay, never torn
// down. Only the game thread touches it.
#pragma once

#include <cstdint>

#include "../platform/device.h"
#include "../platform/messages.h"
#include "../platform/sprite.h"
#include "../platform/window.h"

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
    // Platform handles.
    platform::Window* window = nullptr;
    platform::Direct3D* direct3d = nullptr;
    platform::Device* device = nullptr;
    platform::WindowClass windowClass = {};
    // Textures, each decoded once at start-up from its image (assets/catalogue.h).
    platform::Texture* texBackdrop = nullptr;
    platform::Texture* texBoot = nullptr;
    platform::Texture* texVulture = nullptr;
    platform::Texture* texSnake = nullptr;
    platform::Texture* texTumbleweed = nullptr;
    platform::Texture* texBottle = nullptr;
    platform::Texture* texJoystick = nullptr;
    platform::Texture* texBanana = nullptr;
    platform::Texture* texRing = nullptr;
    platform::Texture* texPlate = nullptr;
    platform::Texture* texWalkA = nullptr;
    platform::Texture* texWalkB = nullptr;
    platform::Texture* texThrowA = nullptr;
    platform::Texture* texThrowB = nullptr;
};

extern GameState game;

}  // namespace skarvo
