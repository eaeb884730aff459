// trig.h — sine and cosine that give the same bits with every compiler and C library.
//
// C libraries disagree on the sine and cosine of large arguments (some reduce them by
// an inexact π), and gameplay positions and spins depend on the last bit. These reduce
// the argument by π/2 exactly, with integer arithmetic on the bits of 2/π, then evaluate
// a polynomial in double precision, each step rounded once (no fused multiply-add, no
// wider intermediate): the result is within one ulp of the true value, for every
// 32-bit integer and every finite float.
//
//   double c = math::cosInt(a);                             // a: radians, any int32_t
//   float s = static_cast<float>(math::sinFloat(roll * 0.5f));
//
// Units: radians in, a double out. A NaN or infinite float gives NaN.
#pragma once

#include <cstdint>

namespace math {

double sinInt(int32_t radians);
double cosInt(int32_t radians);
double sinFloat(float radians);
double cosFloat(float radians);

}  // namespace math
