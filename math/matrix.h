// matrix.h — the few vector and matrix routines the game uses.
//
// Row vectors: a point v is transformed as v × M, so M = A × B applies A first.
// Single precision throughout, each operation rounded at once.
//
//   math::Quaternion q;
//   math::quaternionRotationYawPitchRoll(&q, 0.0f, 0.0f, angle);   // about z
//   math::Vec3 centre{x, y, 0};
//   math::Matrix m;
//   math::matrixAffineTransformation(&m, 1.0f, &centre, &q, nullptr);
#pragma once

namespace math {

struct Vec3 {
    float x, y, z;
};

struct Quaternion {
    float x, y, z, w;
};

struct Matrix {
    float m[4][4];
};

Matrix* matrixIdentity(Matrix* out);
// Rotation by roll about z, then pitch about x, then yaw about y.
Quaternion* quaternionRotationYawPitchRoll(Quaternion* out, float yaw, float pitch, float roll);
// Scales by `scaling`, rotates by `rotation` about `centre`, then translates by
// `translation`. A null pointer leaves that part out.
Matrix* matrixAffineTransformation(Matrix* out, float scaling, const Vec3* centre, const Quaternion* rotation,
                                   const Vec3* translation);
Matrix* matrixScaling(Matrix* out, float sx, float sy, float sz);
// out = a × b (a applied first). `out` may alias an input.
Matrix* matrixMultiply(Matrix* out, const Matrix* a, const Matrix* b);
// v × m, w taken as 1, the result's w ignored.
Vec3 transformPoint(const Vec3& v, const Matrix& m);

}  // namespace math
