// scene.h — the backdrop quad and the world transform of the scene.
//
// `backdropQuad` is four vertices covering clip space as a triangle strip: top left,
// top right, bottom left, bottom right. Each frame the shell calls
// setWorldTransform(0, 0, 0.9f, 1, 1, 1, 0) and setBackdropTexCoords(1.0f, -1.0f), then
// draws the quad with `worldTransform`.
#pragma once

#include "math/matrix.h"
#include "platform/platform.h"

namespace skarvo {

using BackdropVertex = platform::QuadVertex;

extern BackdropVertex backdropQuad[4];
// The world transform the backdrop is drawn with (identity until the first frame's).
extern math::Matrix worldTransform;

// The world transform: rotate by `roll` radians about z, move to (x, y, z), then scale
// by (sx, sy, sz); the scale applies to the translation too.
void setWorldTransform(float x, float y, float z, float sx, float sy, float sz, float roll);
// Writes uMax/vMax into the quad: v of vertices 0 and 1, u of vertices 1 and 3.
void setBackdropTexCoords(float uMax, float vMax);

}  // namespace skarvo
