// sprite.h — the sprite batch the entity draws go through, and the texture handle.
//
// Between spriteBegin and spriteEnd each spriteDraw records one sprite: the whole
// texture, one pixel per texel, with the texel `centre` placed on `position`
// (back-buffer pixels, y downwards; z is the depth), then the transform current at
// the draw applied, every texel multiplied by `colour` (ARGB). spriteEnd draws the
// batch from back to front by depth (stable for equal depth), alpha-blended.
// A new batch's transform is the identity.
//
//   platform::spriteBegin(batch, platform::SPRITE_ALPHABLEND | platform::SPRITE_SORT_DEPTH_BACKTOFRONT);
//   platform::Vec3 centre{0.5f, 0.5f, 0.0f}, pos{x, y, 0.0f};
//   platform::spriteDraw(batch, tex, &centre, &pos, 0xFFFFFFFF);
//   platform::spriteEnd(batch);
#pragma once

#include <cstdint>

#include "matrix.h"

namespace platform {

struct Texture;      // a decoded image: power-of-two size, colour key applied
struct SpriteBatch;

constexpr uint32_t SPRITE_ALPHABLEND = 0x10;
constexpr uint32_t SPRITE_SORT_DEPTH_BACKTOFRONT = 0x80;

void spriteBegin(SpriteBatch* batch, uint32_t flags);
void spriteDraw(SpriteBatch* batch, Texture* texture, const Vec3* centre, const Vec3* position, uint32_t colour);
void spriteGetTransform(SpriteBatch* batch, Matrix* out);
void spriteSetTransform(SpriteBatch* batch, const Matrix* transform);
void spriteEnd(SpriteBatch* batch);

// Texture size in texels (the image's size with each side rounded up to a power of two).
int textureWidth(const Texture* texture);
int textureHeight(const Texture* texture);

}  // namespace platform
