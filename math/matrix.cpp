// matrix.cpp — row-vector matrix routines in single precision.
#include "math/matrix.h"

#include "math/trig.h"

namespace math {

namespace {

// The rotation matrix of a unit quaternion, row-vector form.
void rotationMatrix(Matrix* out, const Quaternion& q) {
    float xx = q.x * q.x, yy = q.y * q.y, zz = q.z * q.z;
    float xy = q.x * q.y, xz = q.x * q.z, yz = q.y * q.z;
    float wx = q.w * q.x, wy = q.w * q.y, wz = q.w * q.z;
    matrixIdentity(out);
    out->m[0][0] = 1.0f - 2.0f * (yy + zz);
    out->m[0][1] = 2.0f * (xy + wz);
    out->m[0][2] = 2.0f * (xz - wy);
    out->m[1][0] = 2.0f * (xy - wz);
    out->m[1][1] = 1.0f - 2.0f * (xx + zz);
    out->m[1][2] = 2.0f * (yz + wx);
    out->m[2][0] = 2.0f * (xz + wy);
    out->m[2][1] = 2.0f * (yz - wx);
    out->m[2][2] = 1.0f - 2.0f * (xx + yy);
}

void translation(Matrix* out, float x, float y, float z) {
    matrixIdentity(out);
    out->m[3][0] = x;
    out->m[3][1] = y;
    out->m[3][2] = z;
}

}  // namespace

Matrix* matrixIdentity(Matrix* out) {
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) out->m[r][c] = r == c ? 1.0f : 0.0f;
    return out;
}

Quaternion* quaternionRotationYawPitchRoll(Quaternion* out, float yaw, float pitch, float roll) {
    // Our own sine and cosine: the angles grow with the clock, where C libraries differ.
    float sy = static_cast<float>(sinFloat(yaw * 0.5f)), cy = static_cast<float>(cosFloat(yaw * 0.5f));
    float sp = static_cast<float>(sinFloat(pitch * 0.5f)), cp = static_cast<float>(cosFloat(pitch * 0.5f));
    float sr = static_cast<float>(sinFloat(roll * 0.5f)), cr = static_cast<float>(cosFloat(roll * 0.5f));
    out->x = cy * sp * cr + sy * cp * sr;
    out->y = sy * cp * cr - cy * sp * sr;
    out->z = cy * cp * sr - sy * sp * cr;
    out->w = cy * cp * cr + sy * sp * sr;
    return out;
}

Matrix* matrixAffineTransformation(Matrix* out, float scaling, const Vec3* centre, const Quaternion* rotation,
                                   const Vec3* translationPart) {
    Matrix m;
    matrixScaling(&m, scaling, scaling, scaling);
    if (rotation) {
        Matrix r, t;
        if (centre) {
            translation(&t, -centre->x, -centre->y, -centre->z);
            matrixMultiply(&m, &m, &t);
        }
        rotationMatrix(&r, *rotation);
        matrixMultiply(&m, &m, &r);
        if (centre) {
            translation(&t, centre->x, centre->y, centre->z);
            matrixMultiply(&m, &m, &t);
        }
    }
    if (translationPart) {
        m.m[3][0] += translationPart->x;
        m.m[3][1] += translationPart->y;
        m.m[3][2] += translationPart->z;
    }
    *out = m;
    return out;
}

Matrix* matrixScaling(Matrix* out, float sx, float sy, float sz) {
    matrixIdentity(out);
    out->m[0][0] = sx;
    out->m[1][1] = sy;
    out->m[2][2] = sz;
    return out;
}

Matrix* matrixMultiply(Matrix* out, const Matrix* a, const Matrix* b) {
    Matrix r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            float s = 0.0f;
            for (int k = 0; k < 4; ++k) s += a->m[i][k] * b->m[k][j];
            r.m[i][j] = s;
        }
    *out = r;
    return out;
}

Vec3 transformPoint(const Vec3& v, const Matrix& m) {
    return {v.x * m.m[0][0] + v.y * m.m[1][0] + v.z * m.m[2][0] + m.m[3][0],
            v.x * m.m[0][1] + v.y * m.m[1][1] + v.z * m.m[2][1] + m.m[3][1],
            v.x * m.m[0][2] + v.y * m.m[1][2] + v.z * m.m[2][2] + m.m[3][2]};
}

}  // namespace math
