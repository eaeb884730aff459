// Matrix routines, row-vector convention.
#include <gtest/gtest.h>

#include <cmath>

#include "platform/matrix.h"

using namespace platform;

namespace {

void expectPoint(const Vec3& p, float x, float y, float z) {
    EXPECT_NEAR(p.x, x, 1e-4f);
    EXPECT_NEAR(p.y, y, 1e-4f);
    EXPECT_NEAR(p.z, z, 1e-4f);
}

}  // namespace

TEST(Matrix, RollTurnsAboutZFromXTowardsY) {
    Quaternion q;
    quaternionRotationYawPitchRoll(&q, 0.0f, 0.0f, 1.5707963f);
    Matrix m;
    matrixAffineTransformation(&m, 1.0f, nullptr, &q, nullptr);
    expectPoint(transformPoint({1, 0, 0}, m), 0, 1, 0);
    expectPoint(transformPoint({0, 1, 0}, m), -1, 0, 0);
    expectPoint(transformPoint({0, 0, 1}, m), 0, 0, 1);
}

TEST(Matrix, AffineRotatesAboutTheCentreThenTranslates) {
    // The spin of a thrown object: a turn about its own position.
    const float a = 0.7f;
    Quaternion q;
    quaternionRotationYawPitchRoll(&q, 0.0f, 0.0f, a);
    const Vec3 centre{100, 200, 0};
    Matrix m;
    matrixAffineTransformation(&m, 1.0f, &centre, &q, nullptr);
    expectPoint(transformPoint(centre, m), 100, 200, 0);
    expectPoint(transformPoint({110, 200, 0}, m), 100 + 10 * std::cos(a), 200 + 10 * std::sin(a), 0);

    // Scaling first (about the origin), then the turn about the centre, then the move:
    // (60, 100) → (120, 200) → a quarter turn about (100, 200) → (100, 220) → moved.
    const Vec3 t{5, -3, 1};
    quaternionRotationYawPitchRoll(&q, 0.0f, 0.0f, 1.5707963f);
    matrixAffineTransformation(&m, 2.0f, &centre, &q, &t);
    expectPoint(transformPoint({60, 100, 0}, m), 105, 217, 1);
}

TEST(Matrix, ProductAppliesLeftFirstAndMayAlias) {
    Matrix move, scale;
    matrixIdentity(&move);
    move.m[3][0] = 1;  // translate x by 1
    matrixScaling(&scale, 2, 2, 2);
    Matrix ab;
    matrixMultiply(&ab, &move, &scale);
    expectPoint(transformPoint({0, 0, 0}, ab), 2, 0, 0);  // moved, then scaled
    matrixMultiply(&move, &move, &scale);                 // out aliases a
    expectPoint(transformPoint({0, 0, 0}, move), 2, 0, 0);
}
