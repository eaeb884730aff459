// scene.h — the backdrop quad and the world transform of the scene.
//
// `backdropQuad` is four vertices (position, normal, texture coordinates; 32 bytes
// each) covering clip space as a triangle strip: top left, top right, bottom left,
// bottom right. Each frame: setWorldTransform(0, 0, 0.9f, 1, 1, 1, 0),
// setBackdropTexCoords(1.0f, -1.0f), then draw it with vertex format 0x112.
#pragma once

#include <cstdint>

namespace skarvo {

struct BackdropVertex {
    float x, y, z;     // clip space with identity view and projection
    float nx, ny, nz;  // normal, towards the viewer
    float u, v;        // texture coordinates of stage 0
};
static_assert(sizeof(BackdropVertex) == 32);

extern BackdropVertex backdropQuad[4];

constexpr uint32_t BACKDROP_FVF = 0x112;  // position, normal, one set of texture coordinates

// The device's world transform: rotate by `roll` radians about z, move to (x, y, z),
// then scale by (sx, sy, sz); the scale applies to the translation too.
void setWorldTransform(float x, float y, float z, float sx, float sy, float sz, float roll);
// Writes uMax/vMax into the quad: v of vertices 0 and 1, u of vertices 1 and 3.
void setBackdropTexCoords(float uMax, float vMax);

}  // namespace skarvo
