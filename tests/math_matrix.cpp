// Matrix routines, row-vector convention.
#include <gtest/gtest.h>

#include <cmath>

#include "math/matrix.h"

using namespace math;

namespace {

void expectPoint(const Vec3& p, float x, float y, float z) {
    EXPECT_NEAR(p.x, x, 1e-4f);
    EXPECT_NEAR(p.y, y, 1e-4f);
    EXPECT_NEAR(p.z, z, 1e-4f);
}

}  // namespace

TEST(Matrix, AffineScalesThenTurnsAboutTheCentreThenTranslates) {
    // (60, 100) → scaled (120, 200) → a quarter turn about (100, 200), from x towards y → (100, 220) → moved.
    Quaternion q;
    quaternionRotationYawPitchRoll(&q, 0.0f, 0.0f, 1.5707963f);
    const Vec3 centre{100, 200, 0}, t{5, -3, 1};
    Matrix m;
    matrixAffineTransformation(&m, 2.0f, &centre, &q, &t);
    expectPoint(transformPoint({60, 100, 0}, m), 105, 217, 1);
}

TEST(Matrix, ProductAppliesLeftFirstAndMayAlias) {
    Matrix move, scale;
    matrixIdentity(&move);
    move.m[3][0] = 1;  // translate x by 1
    matrixScaling(&scale, 2, 2, 2);
    matrixMultiply(&move, &move, &scale);  // out aliases a
    expectPoint(transformPoint({0, 0, 0}, move), 2, 0, 0);
}
