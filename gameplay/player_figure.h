// player_figure.h — the figure the player steers inside the box 0..400 × 280..380.
//
// It moves 0.5 pixels per millisecond per axis with the arrow keys, loses a life for
// every target that touches it (contact radius 40), and at the loss of its tenth life
// the game starts over: progress back to 100, ten lives, 1000 ms of pause during which
// it neither moves, nor is touched, nor is drawn.
//
//   PlayerRecord figure(nullptr);
//   playerReset(figure);               // start-up
//   playerUpdate(figure);              // each frame, first of all updates
//   playerDraw(figure, sprite);        // after the targets, before the shots
//
// Units: pixels, milliseconds.
#pragma once

#include "platform/platform.h"
#include "gameplay/entity.h"

namespace skarvo {

// Ten lives, the walking textures, no pause, no tint; position left as it is.
void playerReset(PlayerRecord& player);
void playerUpdate(PlayerRecord& player);
void playerDraw(PlayerRecord& player, platform::SpriteBatch* sprite);

}  // namespace skarvo
