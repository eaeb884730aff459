// exact_float.h — single-precision operations where an integer operand enters exactly.
//
// Gameplay mixes 32-bit integers (clock, frame time, key directions) into float
// arithmetic. Each such operation must behave as if done in exact arithmetic and then
// rounded once to float (to nearest, ties to even). Converting the integer to float
// first would round twice for values beyond 2^24, and going through double alone can
// still round twice, so the exact result is kept as an unevaluated double pair and
// rounded to float in one step. The same holds where a double enters a float product
// unrounded: a cosine, or a constant written with more digits than a float holds.
//
//   float step = productRounded(frameMs, velX);     // frameMs × velX, one rounding
//   float sum = sumRounded(angleBase, clockMs);     // angleBase + clockMs, one rounding
//   float x = productRoundedWide(320.0f, cosA);     // 320 × cosA (a double), one rounding
//
// Also the 32-bit wrap-around integer helpers used on clock values.
#pragma once

#include <cstdint>

namespace skarvo {

// i × f, rounded once to float.
float productRounded(int32_t i, float f);
// f + i, rounded once to float.
float sumRounded(float f, int32_t i);
// f × d, rounded once to float (|d| < 2^995).
float productRoundedWide(float f, double d);

// Two's-complement 32-bit arithmetic that wraps instead of overflowing.
inline int32_t wrapAdd(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}
inline int32_t wrapSub(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}
inline int32_t wrapMul(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b));
}

}  // namespace skarvo
