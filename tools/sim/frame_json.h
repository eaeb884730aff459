// frame_json.h — one frame of the game as a JSON line, for skarvo-sim.
//
// Keys in this order: frame, clockMs, frameMs, dirX, dirY, fireHeld, shotCounter,
// progress, player {posX, posY, posZ, health, hitStamp, restartTimer, texture,
// altTexture}, targets (64 × [posX, posY, health, hitStamp]), shots (64 × [posX,
// posY, velX, velY, health, hitStamp, texture]), draws (the frame's sprite draws in
// call order: tex, pos, centre, colour "0xAARRGGBB", transform as 16 floats row by
// row). Textures are named by their GameState field; floats printed with %.9g.
#pragma once

#include <cstdio>

namespace sim {

void printFrameJson(std::FILE* out, int frame);
// The GameState field holding `texture`, or null for none.
const char* textureName(const void* texture);

}  // namespace sim
