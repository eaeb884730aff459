#include "screen_check.h"

#include <algorithm>
#include <cstdlib>

#include "embedded.h"

namespace e2e {

namespace {

Image blur(const Image& in) {
    Image out = in;
    for (int y = 0; y < in.height; ++y)
        for (int x = 0; x < in.width; ++x)
            for (int c = 0; c < 3; ++c) {
                int sum = 0, n = 0;
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx) {
                        int xx = x + dx, yy = y + dy;
                        if (xx < 0 || yy < 0 || xx >= in.width || yy >= in.height) continue;
                        sum += in.at(xx, yy)[c];
                        ++n;
                    }
                out.rgb[(size_t(y) * in.width + x) * 3 + c] = uint8_t(sum / n);
            }
    return out;
}

bool differs(const Image& a, const Image& b, int x, int y) {
    const uint8_t* p = a.at(x, y);
    const uint8_t* q = b.at(x, y);
    for (int c = 0; c < 3; ++c)
        if (std::abs(int(p[c]) - int(q[c])) > DIFF_TOLERANCE) return true;
    return false;
}

}  // namespace

Image backdropReference() {
    Image image;
    if (!decodePng(assets::imageData(0), assets::imageLength(0), &image)) return image;
    return blur(image);
}

Image normalise(const Image& shot) { return blur(shot); }

double matchingFraction(const Image& shot, const Image& reference) {
    if (shot.width != reference.width || shot.height != reference.height || shot.width == 0) return 0;
    long same = 0;
    for (int y = 0; y < shot.height; ++y)
        for (int x = 0; x < shot.width; ++x) same += !differs(shot, reference, x, y);
    return double(same) / (double(shot.width) * shot.height);
}

Box differingBox(const Image& shot, const Image& reference, Region r) {
    Box box;
    if (shot.width != reference.width || shot.height != reference.height) return box;
    double sx = 0;
    for (int y = std::max(r.y0, 0); y < std::min(r.y1, shot.height); ++y)
        for (int x = std::max(r.x0, 0); x < std::min(r.x1, shot.width); ++x) {
            if (!differs(shot, reference, x, y)) continue;
            box.minX = box.count ? std::min(box.minX, x) : x;
            box.maxX = box.count ? std::max(box.maxX, x) : x;
            sx += x;
            ++box.count;
        }
    if (box.count) box.centreX = sx / box.count;
    return box;
}

double litFraction(const Image& shot) {
    if (shot.width == 0) return 0;
    long lit = 0;
    for (size_t i = 0; i < shot.rgb.size(); i += 3) lit += (shot.rgb[i] | shot.rgb[i + 1] | shot.rgb[i + 2]) > 16;
    return double(lit) / (double(shot.width) * shot.height);
}

}  // namespace e2e
