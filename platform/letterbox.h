// letterbox.h — private to platform/: where the 640 × 480 back buffer goes in a window.
//
// Letterboxed: 4:3, as large as fits the drawable area (pixels, high-DPI aware),
// centred; the bars are black.
//
//   ViewRect r = letterbox(1920, 1080);   // {240, 0, 1440, 1080}
#pragma once

namespace platform {

struct ViewRect {
    int x, y, w, h;
};

// The back buffer's place in a drawable area of `width` × `height` pixels; empty
// (w or h 0) when the area is.
ViewRect letterbox(int width, int height);

}  // namespace platform
