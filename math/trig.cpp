// trig.cpp — exact reduction by π/2 (a window of the bits of 2/π times the argument's
// integer significand), then Taylor kernels on [-π/4, π/4].
#include "math/trig.h"

#include <cfloat>
#include <cstring>

// The exact products and sums below need each double operation rounded once, to double.
#if defined(__FAST_MATH__) || FLT_EVAL_METHOD != 0
#error "build without -ffast-math and with SSE arithmetic (FLT_EVAL_METHOD 0)"
#endif

namespace math {
namespace {

// 2/π in binary, most significant word first: bit k of this string (k from 1) is the
// coefficient of 2^-k. 320 bits: the window below reaches bit 294 for the largest float.
constexpr uint32_t TWO_OVER_PI[] = {0xA2F9836E, 0x4E441529, 0xFC2757D1, 0xF534DDC0, 0xDB629599,
                                    0x3C439041, 0xFE5163AB, 0xDEBBC561, 0xB7246E3A, 0x424DD2E0};
constexpr int TWO_OVER_PI_WORDS = sizeof TWO_OVER_PI / sizeof TWO_OVER_PI[0];

// π/2 = PIO2_HI + PIO2_LO within 2^-107.
constexpr double PIO2_HI = 0x1.921fb54442d18p+0;
constexpr double PIO2_LO = 0x1.1a62633145c07p-54;
constexpr double PIO4 = 0x1.921fb54442d18p-1;

struct Reduced {
    int quadrant;   // x = quadrant·π/2 + r, modulo 2π
    double hi, lo;  // r = hi + lo, |r| ≤ π/4
};

uint32_t twoOverPiWord(int j) { return j >= 0 && j < TWO_OVER_PI_WORDS ? TWO_OVER_PI[j] : 0; }

// Bits k0 to k0 + 63 of 2/π, the first in the top bit; bits before the first are zero.
uint64_t twoOverPiBits(int k0) {
    int p = k0 - 1 + 32 * 4;  // kept positive for the division; k0 ≥ -127
    int j = p / 32 - 4, s = p % 32;
    uint64_t top = (static_cast<uint64_t>(twoOverPiWord(j)) << 32) | twoOverPiWord(j + 1);
    if (s == 0) return top;
    return (top << s) | (twoOverPiWord(j + 2) >> (32 - s));
}

double powerOfTwo(int k) {  // 2^k, k in the normal range
    uint64_t bits = static_cast<uint64_t>(k + 1023) << 52;
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

int leadingZeros(uint64_t w) {  // w != 0
    int n = 0;
    for (int step = 32; step > 0; step /= 2)
        if ((w >> (64 - step)) == 0) {
            n += step;
            w <<= step;
        }
    return n;
}

// a = hi + lo with each half at most 26 significant bits (Veltkamp), |a| < 2^995.
void split(double a, double* hi, double* lo) {
    double t = 134217729.0 * a;  // 2^27 + 1
    *hi = t - (t - a);
    *lo = a - *hi;
}

// p + e == a × b exactly (Dekker), barring overflow and underflow.
void twoProd(double a, double b, double* p, double* e) {
    double ah, al, bh, bl;
    split(a, &ah, &al);
    split(b, &bh, &bl);
    *p = a * b;
    *e = ((ah * bh - *p) + ah * bl + al * bh) + al * bl;
}

// x = ±m·2^e with |x| > π/4 (e from -24 to 104). x·2/π modulo 4 is formed to 190
// fractional bits: the bits of 2/π that would give the product a weight of 4 or more
// only add multiples of 4 to it (m is an integer), so a 192-bit window starting at the
// bit worth 2 suffices, and the bits after it change the result by under m·2^-190.
Reduced reduce(uint32_t m, int e, bool negative) {
    uint32_t limb[6];  // the window, least significant first; then the product mod 2^192
    for (int i = 0; i < 3; ++i) {
        uint64_t w = twoOverPiBits(e - 1 + 64 * (2 - i));
        limb[2 * i] = static_cast<uint32_t>(w);
        limb[2 * i + 1] = static_cast<uint32_t>(w >> 32);
    }
    uint64_t carry = 0;
    for (uint32_t& l : limb) {
        uint64_t t = static_cast<uint64_t>(l) * m + carry;
        l = static_cast<uint32_t>(t);
        carry = t >> 32;
    }
    int quadrant = static_cast<int>(limb[5] >> 30);
    limb[5] &= 0x3FFFFFFF;
    // A fraction of one half or more is taken from the next quadrant, as a negative r.
    bool fractionNegative = (limb[5] >> 29) != 0;
    if (fractionNegative) {
        quadrant = (quadrant + 1) & 3;
        uint64_t borrow = 1;  // 2^190 - fraction: complement and add one
        for (uint32_t& l : limb) {
            uint64_t t = static_cast<uint64_t>(~l) + borrow;
            l = static_cast<uint32_t>(t);
            borrow = t >> 32;
        }
        limb[5] &= 0x3FFFFFFF;
    }
    if (negative) {
        quadrant = (4 - quadrant) & 3;
        fractionNegative = !fractionNegative;
    }
    uint64_t w2 = (static_cast<uint64_t>(limb[5]) << 32) | limb[4];
    uint64_t w1 = (static_cast<uint64_t>(limb[3]) << 32) | limb[2];
    uint64_t w0 = (static_cast<uint64_t>(limb[1]) << 32) | limb[0];
    int shift = 0;  // the fraction is (w2·2^128 + w1·2^64 + w0)·2^(-190-shift)
    while (w2 == 0) {
        if (w1 == 0 && w0 == 0) return {quadrant, 0.0, 0.0};
        w2 = w1;
        w1 = w0;
        w0 = 0;
        shift += 64;
    }
    int lz = leadingZeros(w2);
    if (lz > 0) {
        w2 = (w2 << lz) | (w1 >> (64 - lz));
        w1 = (w1 << lz) | (w0 >> (64 - lz));
        shift += lz;
    }
    // The top 106 bits as two doubles, each conversion exact (53 bits apiece).
    double fHi = static_cast<double>(w2 >> 11) * powerOfTwo(-51 - shift);
    double fLo = static_cast<double>(((w2 & 0x7FF) << 42) | (w1 >> 22)) * powerOfTwo(-104 - shift);
    // r = f·π/2 in double-double.
    double prod, err;
    twoProd(fHi, PIO2_HI, &prod, &err);
    err = err + (fHi * PIO2_LO + fLo * PIO2_HI);
    double hi = prod + err;
    double lo = err - (hi - prod);
    return fractionNegative ? Reduced{quadrant, -hi, -lo} : Reduced{quadrant, hi, lo};
}

// sin(x + y), |x| ≤ π/4, |y| ≤ ulp(x). The Taylor series to x^17 leaves under 2^-62
// relative; sin(x + y) = sin x + y·cos x, with cos x ≈ 1 - x²/2 for so small a y.
double sinKernel(double x, double y) {
    if (x == 0.0) return x;  // keeps the sign of zero
    double z = x * x;
    double p = 1.0 / 355687428096000.0;  // 1/17!
    p = -1.0 / 1307674368000.0 + z * p;
    p = 1.0 / 6227020800.0 + z * p;
    p = -1.0 / 39916800.0 + z * p;
    p = 1.0 / 362880.0 + z * p;
    p = -1.0 / 5040.0 + z * p;
    p = 1.0 / 120.0 + z * p;
    p = -1.0 / 6.0 + z * p;
    return x + (x * z * p + y * (1.0 - 0.5 * z));
}

// cos(x + y), |x| ≤ π/4, |y| ≤ ulp(x). x² is kept exact and 1 - x²/2 is formed with its
// rounding error recovered, so that only the last addition rounds at full weight.
double cosKernel(double x, double y) {
    double zh, zl;
    twoProd(x, x, &zh, &zl);
    double q = 1.0 / 6402373705728000.0;  // 1/18!
    q = -1.0 / 20922789888000.0 + zh * q;
    q = 1.0 / 87178291200.0 + zh * q;
    q = -1.0 / 479001600.0 + zh * q;
    q = 1.0 / 3628800.0 + zh * q;
    q = -1.0 / 40320.0 + zh * q;
    q = 1.0 / 720.0 + zh * q;
    q = -1.0 / 24.0 + zh * q;
    q = -q;  // the series runs 1 - z/2 + z²/24 - ...
    double hz = 0.5 * zh;
    double w = 1.0 - hz;
    double tail = (((1.0 - w) - hz) - 0.5 * zl) + (zh * zh * q - x * y);
    return w + tail;
}

double sinOf(const Reduced& r) {
    switch (r.quadrant) {
        case 0:
            return sinKernel(r.hi, r.lo);
        case 1:
            return cosKernel(r.hi, r.lo);
        case 2:
            return -sinKernel(r.hi, r.lo);
        default:
            return -cosKernel(r.hi, r.lo);
    }
}

double cosOf(const Reduced& r) {
    switch (r.quadrant) {
        case 0:
            return cosKernel(r.hi, r.lo);
        case 1:
            return -sinKernel(r.hi, r.lo);
        case 2:
            return -cosKernel(r.hi, r.lo);
        default:
            return sinKernel(r.hi, r.lo);
    }
}

Reduced reduceInt(int32_t x) {
    if (x == 0) return {0, 0.0, 0.0};
    uint32_t m = x < 0 ? 0u - static_cast<uint32_t>(x) : static_cast<uint32_t>(x);
    return reduce(m, 0, x < 0);
}

// Finite floats only.
Reduced reduceFloat(float x) {
    double d = x;
    if (d <= PIO4 && d >= -PIO4) return {0, d, 0.0};
    uint32_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    int exponent = static_cast<int>((bits >> 23) & 0xFF);  // normal: the float is this large
    uint32_t m = (bits & 0x7FFFFF) | 0x800000;
    return reduce(m, exponent - 150, (bits >> 31) != 0);
}

bool finite(float x) {
    uint32_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    return ((bits >> 23) & 0xFF) != 0xFF;
}

}  // namespace

double sinInt(int32_t radians) { return sinOf(reduceInt(radians)); }
double cosInt(int32_t radians) { return cosOf(reduceInt(radians)); }

double sinFloat(float radians) {
    if (!finite(radians)) return static_cast<double>(radians) - static_cast<double>(radians);
    return sinOf(reduceFloat(radians));
}

double cosFloat(float radians) {
    if (!finite(radians)) return static_cast<double>(radians) - static_cast<double>(radians);
    return cosOf(reduceFloat(radians));
}

}  // namespace math
