#include "gameplay/exact_float.h"

#include <cfloat>
#include <cmath>
#include <limits>

// The exact products and sums below need each double operation rounded once, to double.
#if defined(__FAST_MATH__) || FLT_EVAL_METHOD != 0
#error "build without -ffast-math and with SSE arithmetic (FLT_EVAL_METHOD 0)"
#endif

namespace skarvo {
namespace {

// hi + lo == a + b exactly (round-to-nearest doubles, no overflow).
void twoSum(double a, double b, double* hi, double* lo) {
    double s = a + b;
    double bb = s - a;
    *hi = s;
    *lo = (a - (s - bb)) + (b - bb);
}

// Rounds the exact value hi + lo (|lo| at most half an ulp of hi) to float once.
// Rounding hi alone is right unless hi sits exactly halfway between two floats and
// lo pushes the true value off that midpoint.
float roundPair(double hi, double lo) {
    float r = static_cast<float>(hi);
    if (lo == 0.0 || !std::isfinite(r)) return r;
    double d = r;
    if (d == hi) return r;
    float other =
        std::nextafter(r, hi > d ? std::numeric_limits<float>::infinity() : -std::numeric_limits<float>::infinity());
    double mid = (d + static_cast<double>(other)) * 0.5;  // exact: adjacent floats
    if (hi != mid) return r;
    float lower = r < other ? r : other;
    float upper = r < other ? other : r;
    return lo > 0.0 ? upper : lower;
}

}  // namespace

float productRounded(int32_t i, float f) {
    if (f == 0.0f || !std::isfinite(f)) return static_cast<float>(static_cast<double>(i) * f);
    // Split i into halves so that each partial product (≤ 16 × 24 bits) is exact.
    int32_t high = i / 65536;
    int32_t low = i - high * 65536;
    double a = static_cast<double>(high) * 65536.0 * static_cast<double>(f);
    double b = static_cast<double>(low) * static_cast<double>(f);
    if (high == 0) return static_cast<float>(b);
    double hi, lo;
    twoSum(a, b, &hi, &lo);
    return roundPair(hi, lo);
}

float productRoundedWide(float f, double d) {
    double whole = static_cast<double>(f) * d;
    if (whole == 0.0 || !std::isfinite(whole)) return static_cast<float>(whole);
    // Veltkamp split: d == dHigh + dLow exactly, each with at most 26 significant bits,
    // so each partial product (24 × 26 bits) is exact; their sum as an exact pair.
    double t = 134217729.0 * d;  // 2^27 + 1
    double dHigh = t - (t - d);
    double dLow = d - dHigh;
    double hi, lo;
    twoSum(static_cast<double>(f) * dHigh, static_cast<double>(f) * dLow, &hi, &lo);
    return roundPair(hi, lo);
}

float sumRounded(float f, int32_t i) {
    double hi, lo;
    twoSum(static_cast<double>(f), static_cast<double>(i), &hi, &lo);
    return roundPair(hi, lo);
}

}  // namespace skarvo
