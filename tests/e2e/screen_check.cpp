#include "screen_check.h"

#include <algorithm>
#include <cstdlib>

#include "embedded.h"

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
    for (int c = 0; c < 3; ++c)
        if (std::abs(int(a.at(x, y)[c]) - int(b.at(x, y)[c])) > DIFF_TOLERANCE) return true;
    return false;
}

}  // namespace

Image backdropReference() {
    Image image;
    return decodePng(assets::imageData(0), assets::imageLength(0), &image) ? blur(image) : Image{};
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
    double sx = 0;
    for (int y = std::max(r.y0, 0); y < std::min(r.y1, shot.height); ++y)
        for (int x = std::max(r.x0, 0); x < std::min(r.x1, shot.width); ++x) {
            if (!differs(shot, reference, x, y)) continue;
            box.minX = box.count ? std::min(box.minX, x) : x;
            box.maxX = std::max(box.maxX, x);
            sx += x;
            ++box.count;
        }
    if (box.count) box.centreX = sx / box.count;
    return box;
}

double litFraction(const Image& shot) {
    long lit = 0;
    for (size_t i = 0; i < shot.rgb.size(); i += 3) lit += (shot.rgb[i] | shot.rgb[i + 1] | shot.rgb[i + 2]) > 16;
    return shot.width ? double(lit) / (double(shot.width) * shot.height) : 0;
}

}  // namespace e2e
