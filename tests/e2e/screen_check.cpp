#include "screen_check.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "embedded.h"
#include "platform/letterbox.h"

namespace e2e {

namespace {

// The mean of each pixel's 3 × 3 neighbourhood (within the picture).
Image blur(const Image& in) {
    Image out = in;
    for (int y = 0; y < in.height; ++y)
        for (int x = 0; x < in.width; ++x)
            for (int c = 0; c < 3; ++c) {
                int sum = 0, n = 0;
                for (int yy = std::max(y - 1, 0); yy <= std::min(y + 1, in.height - 1); ++yy)
                    for (int xx = std::max(x - 1, 0); xx <= std::min(x + 1, in.width - 1); ++xx, ++n)
                        sum += in.at(xx, yy)[c];
                out.rgb[(size_t(y) * in.width + x) * 3 + c] = uint8_t(sum / n);
            }
    return out;
}

bool differs(const Image& a, const Image& b, int x, int y) {
    for (int yy = std::max(y - 1, 0); yy <= std::min(y + 1, b.height - 1); ++yy)
        for (int xx = std::max(x - 1, 0); xx <= std::min(x + 1, b.width - 1); ++xx) {
            bool matched = true;
            for (int c = 0; c < 3; ++c)
                matched &= std::abs(int(a.at(x, y)[c]) - int(b.at(xx, yy)[c])) <= DIFF_TOLERANCE;
            if (matched) return false;
        }
    return true;
}

}  // namespace

Image backdropReference() {
    Image image;
    return decodePng(assets::imageData(0), assets::imageLength(0), &image) ? blur(image) : Image{};
}

Image toBackBuffer(const Image& shot) {
    constexpr int W = 640, H = 480;
    const platform::ViewRect view = platform::letterbox(shot.width, shot.height);  // where the game put it
    const int w = view.w, h = view.h, x0 = view.x, y0 = view.y, x1 = x0 + w, y1 = y0 + h;
    if (w < 2 || h < 2) return {};
    Image out{W, H, std::vector<uint8_t>(W * H * 3)};
    const double sx = double(w) / W, sy = double(h) / H;
    for (int y = 0; y < H; ++y) {
        const double fy = std::clamp(y0 + (y + 0.5) * sy - 0.5, double(y0), double(y1 - 1));
        const int iy = std::min(int(fy), y1 - 2);
        const double wy = fy - iy;
        for (int x = 0; x < W; ++x) {
            const double fx = std::clamp(x0 + (x + 0.5) * sx - 0.5, double(x0), double(x1 - 1));
            const int ix = std::min(int(fx), x1 - 2);
            const double wx = fx - ix;
            for (int c = 0; c < 3; ++c) {
                const double top = shot.at(ix, iy)[c] * (1 - wx) + shot.at(ix + 1, iy)[c] * wx;
                const double bottom = shot.at(ix, iy + 1)[c] * (1 - wx) + shot.at(ix + 1, iy + 1)[c] * wx;
                out.rgb[(size_t(y) * W + x) * 3 + c] = uint8_t(std::lround(top * (1 - wy) + bottom * wy));
            }
        }
    }
    return out;
}

Image normalise(const Image& shot) { return blur(shot); }

double matchingFraction(const Image& shot, const Image& reference) {
    if (shot.width != reference.width || shot.height != reference.height || shot.width == 0) return 0;
    return 1.0 -
           differingBox(shot, reference, {0, 0, shot.width, shot.height}).count / (double(shot.width) * shot.height);
}

Box differingBox(const Image& shot, const Image& reference, Region r) {
    Box box;
    if (shot.width != reference.width || shot.height != reference.height) return box;
    double sx = 0, sy = 0;
    for (int y = std::max(r.y0, 0); y < std::min(r.y1, shot.height); ++y)
        for (int x = std::max(r.x0, 0); x < std::min(r.x1, shot.width); ++x) {
            if (!differs(shot, reference, x, y)) continue;
            box.minX = box.count ? std::min(box.minX, x) : x;
            box.minY = box.count ? box.minY : y;
            box.maxX = std::max(box.maxX, x);
            box.maxY = y;
            sx += x, sy += y, ++box.count;
        }
    if (box.count) box.centreX = sx / box.count, box.centreY = sy / box.count;
    return box;
}

double litFraction(const Image& shot) {
    long lit = 0;
    for (size_t i = 0; i < shot.rgb.size(); i += 3) lit += (shot.rgb[i] | shot.rgb[i + 1] | shot.rgb[i + 2]) > 16;
    return shot.width ? double(lit) / (double(shot.width) * shot.height) : 0;
}

}  // namespace e2e
