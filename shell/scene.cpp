// scene.cpp — scene drawing primitives.
#include "scene.h"

#include "../platform/device.h"
#include "game_state.h"

namespace skarvo {

BackdropVertex backdropQuad[4] = {
    {-1.0f, 1.0f, 0.0f, 0.0f, 0.0f, -1.0f, 0.0f, 1.0f},
    {1.0f, 1.0f, 0.0f, 0.0f, 0.0f, -1.0f, 1.0f, 1.0f},
    {-1.0f, -1.0f, 0.0f, 0.0f, 0.0f, -1.0f, 0.0f, 0.0f},
    {1.0f, -1.0f, 0.0f, 0.0f, 0.0f, -1.0f, 1.0f, 0.0f},
};

void setWorldTransform(float x, float y, float z, float sx, float sy, float sz, float roll) {
    platform::Quaternion q;
    platform::quaternionRotationYawPitchRoll(&q, 0.0f, 0.0f, roll);
    const platform::Vec3 centre{0.0f, 0.0f, 0.0f}, translation{x, y, z};
    platform::Matrix a, s;
    platform::matrixAffineTransformation(&a, 1.0f, &centre, &q, &translation);
    platform::matrixScaling(&s, sx, sy, sz);
    platform::matrixMultiply(&a, &a, &s);
    platform::deviceSetTransform(game.device, platform::TS_WORLD, &a);
}

void setBackdropTexCoords(float uMax, float vMax) {
    backdropQuad[0].v = vMax;
    backdropQuad[1].u = uMax;
    backdropQuad[1].v = vMax;
    backdropQuad[3].u = uMax;
}

}  // namespace skarvo
