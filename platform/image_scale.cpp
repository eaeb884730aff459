// image_scale.cpp — what follows decoding on every system: the colour key and the
// power-of-two bilinear scaling. Kept apart from any decoder so that the same RGBA in
// gives the same texels out on Linux (libpng) and Windows (WIC).
#include <cmath>
#include <cstring>

#include "platform/image.h"

namespace platform {

namespace {

void applyColourKey(std::vector<uint8_t>& rgba, uint32_t key) {
    if (key == 0) return;
    const uint8_t a = key >> 24, r = (key >> 16) & 0xFF, g = (key >> 8) & 0xFF, b = key & 0xFF;
    for (size_t i = 0; i + 3 < rgba.size(); i += 4) {
        if (rgba[i] == r && rgba[i + 1] == g && rgba[i + 2] == b && rgba[i + 3] == a) std::memset(&rgba[i], 0, 4);
    }
}

// Source coordinate of destination pixel centre `d`, split into a left index and weight.
void sampleAt(int d, int srcSize, int dstSize, int* i0, int* i1, float* w1) {
    float s = (static_cast<float>(d) + 0.5f) * static_cast<float>(srcSize) / static_cast<float>(dstSize) - 0.5f;
    if (s < 0.0f) s = 0.0f;
    int i = static_cast<int>(std::floor(s));
    if (i > srcSize - 1) i = srcSize - 1;
    *i0 = i;
    *i1 = i + 1 < srcSize ? i + 1 : i;
    *w1 = s - static_cast<float>(i);
}

// Bilinear resampling on premultiplied colour; exact copy when the sizes agree.
std::vector<uint8_t> scaleBilinear(const std::vector<uint8_t>& src, int sw, int sh, int dw, int dh) {
    if (sw == dw && sh == dh) return src;
    std::vector<float> pre(src.size());
    for (size_t i = 0; i < src.size(); i += 4) {
        float a = src[i + 3] / 255.0f;
        pre[i] = src[i] * a;
        pre[i + 1] = src[i + 1] * a;
        pre[i + 2] = src[i + 2] * a;
        pre[i + 3] = src[i + 3];
    }
    std::vector<uint8_t> dst(static_cast<size_t>(dw) * dh * 4);
    for (int y = 0; y < dh; ++y) {
        int y0, y1;
        float wy;
        sampleAt(y, sh, dh, &y0, &y1, &wy);
        for (int x = 0; x < dw; ++x) {
            int x0, x1;
            float wx;
            sampleAt(x, sw, dw, &x0, &x1, &wx);
            const float* p00 = &pre[(static_cast<size_t>(y0) * sw + x0) * 4];
            const float* p01 = &pre[(static_cast<size_t>(y0) * sw + x1) * 4];
            const float* p10 = &pre[(static_cast<size_t>(y1) * sw + x0) * 4];
            const float* p11 = &pre[(static_cast<size_t>(y1) * sw + x1) * 4];
            float v[4];
            for (int c = 0; c < 4; ++c) {
                float top = p00[c] + (p01[c] - p00[c]) * wx;
                float bottom = p10[c] + (p11[c] - p10[c]) * wx;
                v[c] = top + (bottom - top) * wy;
            }
            uint8_t* out = &dst[(static_cast<size_t>(y) * dw + x) * 4];
            float a = v[3];
            out[3] = static_cast<uint8_t>(std::lround(std::fmin(a, 255.0f)));
            for (int c = 0; c < 3; ++c) {
                float colour = a > 0.0f ? v[c] * 255.0f / a : 0.0f;
                out[c] = static_cast<uint8_t>(std::lround(std::fmin(std::fmax(colour, 0.0f), 255.0f)));
            }
        }
    }
    return dst;
}

}  // namespace

int nextPowerOfTwo(int n) {
    int p = 1;
    while (p < n) p <<= 1;
    return p;
}

void keyAndScaleImage(const uint8_t* rgba, int sourceWidth, int sourceHeight, uint32_t colourKey, Image* out) {
    std::vector<uint8_t> pixels(rgba, rgba + static_cast<size_t>(sourceWidth) * sourceHeight * 4);
    applyColourKey(pixels, colourKey);
    out->sourceWidth = sourceWidth;
    out->sourceHeight = sourceHeight;
    out->width = nextPowerOfTwo(sourceWidth);
    out->height = nextPowerOfTwo(sourceHeight);
    out->rgba = scaleBilinear(pixels, sourceWidth, sourceHeight, out->width, out->height);
}

}  // namespace platform
