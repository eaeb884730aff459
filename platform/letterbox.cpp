// letterbox.cpp — the back buffer's place in a window.
#include "platform/letterbox.h"

namespace platform {

ViewRect letterbox(int width, int height) {
    if (width <= 0 || height <= 0) return {0, 0, 0, 0};
    // Whole pixels, exactly 4:3 where the area allows: the side that binds sets the size.
    long long w = width, h = height;
    if (w * 3 > h * 4) {
        w = (h * 4 + 1) / 3;  // nearest, rounding half up
    } else {
        h = (w * 3 + 2) / 4;
    }
    if (w < 1) w = 1;
    if (h < 1) h = 1;
    if (w > width) w = width;
    if (h > height) h = height;
    return {static_cast<int>((width - w) / 2), static_cast<int>((height - h) / 2), static_cast<int>(w),
            static_cast<int>(h)};
}

}  // namespace platform
