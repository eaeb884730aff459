// pixelart.h — reads the readable pixel-art sources (*.txt) into pictures, and draws
// one picture onto another.
//
// A source looks like this ('#' starts a comment line outside the grid):
//
//   size 50 50            # pixels of the finished picture (required, 1..4096 each)
//   scale 2 2             # each grid character becomes a 2 x 2 block
//   colour o 2b1a10       # a character and its colour, rrggbb
//   colour . transparent  # the transparent colour (always stored last)
//   grid
//   ..oo..
//   ...
//   end
//
// The palette follows the order of the colour lines, the transparent one moved last.
#pragma once

#include <string>

#include "assets/images/picture.h"

namespace imagegen {

// Throws std::runtime_error naming the file and line of a fault.
Picture loadPixelArt(const std::string& path);
Picture parsePixelArt(const std::string& text, const std::string& nameForErrors);

// Draws src onto dst with its top left corner at (x, y), each source pixel as a
// scale x scale block; transparent source pixels are skipped. Colours missing from
// dst's palette are appended to it.
void blit(Picture& dst, const Picture& src, int x, int y, int scale = 1);

// Index of colour c in p's palette, appended if missing.
uint8_t paletteIndex(Picture& p, Colour c);

}  // namespace imagegen
