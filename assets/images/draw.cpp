#include "assets/images/draw.h"

#include <algorithm>

namespace imagegen {

void fillRect(Picture& p, int x0, int y0, int x1, int y1, uint8_t c) {
    for (int y = std::max(y0, 0); y < std::min(y1, p.height); ++y)
        for (int x = std::max(x0, 0); x < std::min(x1, p.width); ++x) p.at(x, y) = c;
}

void fillEllipse(Picture& p, float cx, float cy, float rx, float ry, uint8_t c) {
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            float dx = (x + 0.5f - cx) / rx, dy = (y + 0.5f - cy) / ry;
            if (dx * dx + dy * dy <= 1.0f) p.at(x, y) = c;
        }
}

void fillRoundRect(Picture& p, int x0, int y0, int x1, int y1, int r, uint8_t c) {
    fillRect(p, x0 + r, y0, x1 - r, y1, c);
    fillRect(p, x0, y0 + r, x1, y1 - r, c);
    float fr = static_cast<float>(r);
    fillEllipse(p, x0 + fr, y0 + fr, fr, fr, c);
    fillEllipse(p, x1 - fr, y0 + fr, fr, fr, c);
    fillEllipse(p, x0 + fr, y1 - fr, fr, fr, c);
    fillEllipse(p, x1 - fr, y1 - fr, fr, fr, c);
}

void outline(Picture& p, uint8_t edge, uint8_t background) {
    Picture src = p;
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            if (src.at(x, y) == background) continue;
            const int nx[4] = {x - 1, x + 1, x, x}, ny[4] = {y, y, y - 1, y + 1};
            for (int k = 0; k < 4; ++k)
                if (!src.inside(nx[k], ny[k]) || src.at(nx[k], ny[k]) == background) {
                    p.at(x, y) = edge;
                    break;
                }
        }
}

}  // namespace imagegen
