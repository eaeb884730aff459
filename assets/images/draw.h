// draw.h — flat-colour shape drawing on indexed pictures, for the generated images.
//
//   fillEllipse(p, 320.0f, 100.0f, 40.0f, 12.0f, CLOUD);
//   outline(p, OUTLINE, BACKGROUND);   // ring every shape with a one-pixel edge
//
// Coordinates are pixels; a pixel (x, y) is covered when its centre (x + 0.5, y + 0.5)
// lies inside the shape, so the results do not depend on rounding modes.
#pragma once

#include "assets/images/picture.h"

namespace imagegen {

void fillRect(Picture& p, int x0, int y0, int x1, int y1, uint8_t c);  // [x0, x1) x [y0, y1)
void fillEllipse(Picture& p, float cx, float cy, float rx, float ry, uint8_t c);
// Rectangle with rounded corners of radius r.
void fillRoundRect(Picture& p, int x0, int y0, int x1, int y1, int r, uint8_t c);
// Pixels not equal to `background` that touch a `background` pixel (4-neighbours, or
// the picture's edge) become `edge`: an inner one-pixel outline.
void outline(Picture& p, uint8_t edge, uint8_t background);

}  // namespace imagegen
