// scene.cpp — scene drawing primitives.
#include "shell/scene.h"

namespace skarvo {

BackdropVertex backdropQuad[4] = {
    {-1.0f, 1.0f, 0.0f, 0.0f, 0.0f, -1.0f, 0.0f, 1.0f},
    {1.0f, 1.0f, 0.0f, 0.0f, 0.0f, -1.0f, 1.0f, 1.0f},
    {-1.0f, -1.0f, 0.0f, 0.0f, 0.0f, -1.0f, 0.0f, 0.0f},
    {1.0f, -1.0f, 0.0f, 0.0f, 0.0f, -1.0f, 1.0f, 0.0f},
};

math::Matrix worldTransform = {{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}};

void setWorldTransform(float x, float y, float z, float sx, float sy, float sz, float roll) {
    math::Quaternion q;
    math::quaternionRotationYawPitchRoll(&q, 0.0f, 0.0f, roll);
    const math::Vec3 centre{0.0f, 0.0f, 0.0f}, translation{x, y, z};
    math::Matrix a, s;
    math::matrixAffineTransformation(&a, 1.0f, &centre, &q, &translation);
    math::matrixScaling(&s, sx, sy, sz);
    math::matrixMultiply(&worldTransform, &a, &s);
}

void setBackdropTexCoords(float uMax, float vMax) {
    backdropQuad[0].v = vMax;
    backdropQuad[1].u = uMax;
    backdropQuad[1].v = vMax;
    backdropQuad[3].u = uMax;
}

}  // namespace skarvo
