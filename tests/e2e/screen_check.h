// screen_check.h — screenshots of the game against the backdrop image. A pixel
// "differs" when, after a light blur of both pictures (absorbing the smoothing of the
// texture scaling), a channel is more than DIFF_TOLERANCE from the backdrop.
// Units: back-buffer pixels (640 × 480); a screenshot of another size matches nothing.
#pragma once

#include "xserver.h"

namespace e2e {

constexpr int DIFF_TOLERANCE = 40;

struct Region {
    int x0, y0, x1, y1;  // half-open: x0 <= x < x1, y0 <= y < y1
};

struct Box {
    int count = 0;  // differing pixels in the region
    int minX = 0, maxX = -1;
    double centreX = 0;
};

// Image 0 of the embedded block as the 640 × 480 backdrop over black.
Image backdropReference();
// The screenshot blurred as the reference is.
Image normalise(const Image& shot);
double matchingFraction(const Image& shot, const Image& reference);
Box differingBox(const Image& shot, const Image& reference, Region region);
// Share of non-black pixels: tells a drawn frame from an empty window.
double litFraction(const Image& shot);

}  // namespace e2e
