// screen_check.h — screenshots of the game against the backdrop image. A pixel
// "differs" when, after a light blur of both pictures (absorbing the smoothing of the
// texture scaling), no pixel of the backdrop within one pixel of it (a scaled picture's
// edges may move by one) is within DIFF_TOLERANCE of it in every channel.
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
    int minX = 0, maxX = -1, minY = 0, maxY = -1;
    double centreX = 0, centreY = 0;
    int width() const { return maxX - minX + 1; }
    int height() const { return maxY - minY + 1; }
};

// Image 0 of the embedded block as the 640 × 480 backdrop over black.
Image backdropReference();
// What a window shows, brought back to the back buffer's 640 × 480: the largest 4:3
// rectangle centred in it (where the game letterboxes its picture), scaled bilinearly.
Image toBackBuffer(const Image& shot);
// The screenshot blurred as the reference is.
Image normalise(const Image& shot);
double matchingFraction(const Image& shot, const Image& reference);
Box differingBox(const Image& shot, const Image& reference, Region region);
// Share of non-black pixels: tells a drawn frame from an empty window.
double litFraction(const Image& shot);

}  // namespace e2e
