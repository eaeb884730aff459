// image.h — PNG bytes to the RGBA pixels of a texture, without any device.
//
// Decodes any 8- or 16-bit PNG (palette, grey, RGB, with or without alpha), makes
// every opaque pixel equal to the colour key fully transparent, then scales the
// image with a bilinear filter (on premultiplied colour, so keyed pixels leave no
// dark fringe) to the next power of two of each side.
//
//   platform::Image img;
//   if (const char* err = platform::decodeImage(bytes, length, 0xFF000000, &img)) fail(err);
//   // img.width × img.height RGBA bytes in img.rgba, rows from the top
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/last_error.h"

namespace platform {

// Images larger than this on either side are refused as bad data.
constexpr int MAX_IMAGE_SIDE = 4096;

struct Image {
    int width = 0, height = 0;              // texture size (powers of two)
    int sourceWidth = 0, sourceHeight = 0;  // the PNG's own size
    std::vector<uint8_t> rgba;              // width × height × 4 bytes, R G B A
};

// Null on success, else a short reason. `colourKey` is ARGB; 0 turns keying off.
// Linux and the web decode with libpng (image_png.cpp), Windows with its imaging
// component; both end in keyAndScaleImage.
const char* decodeImage(const uint8_t* data, size_t length, uint32_t colourKey, Image* out);

// The first step of every backend's createTexture: the image decoded for a device that
// exists (`haveDevice`), or false with lastError() saying why.
inline bool decodeTextureImage(bool haveDevice, const uint8_t* png, uint32_t length, uint32_t colourKey, Image* out) {
    const char* err = haveDevice ? decodeImage(png, length, colourKey, out) : "no device";
    if (err) setLastError("texture decode", err);
    return err == nullptr;
}

// The steps after decoding: `rgba` holds sourceWidth × sourceHeight RGBA pixels, rows
// from the top; `out` receives the keyed image scaled to powers of two.
void keyAndScaleImage(const uint8_t* rgba, int sourceWidth, int sourceHeight, uint32_t colourKey, Image* out);

// The smallest power of two >= n (n >= 1).
int nextPowerOfTwo(int n);

}  // namespace platform
