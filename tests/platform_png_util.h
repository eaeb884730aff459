// platform_png_util.h — tiny PNG writers for the platform tests.
#pragma once

#include <png.h>

#include <cstdint>
#include <vector>

namespace testpng {

// Encodes w × h RGBA pixels as a PNG (empty on failure).
inline std::vector<uint8_t> encodeRgba(int w, int h, const std::vector<uint8_t>& rgba) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = w;
    image.height = h;
    image.format = PNG_FORMAT_RGBA;
    png_alloc_size_t size = 0;
    png_image_write_to_memory(&image, nullptr, &size, 0, rgba.data(), 0, nullptr);
    std::vector<uint8_t> out(size);
    if (!png_image_write_to_memory(&image, out.data(), &size, 0, rgba.data(), 0, nullptr)) size = 0;
    out.resize(size);
    png_image_free(&image);
    return out;
}

// A w × h image of one colour (RGBA bytes).
inline std::vector<uint8_t> solid(int w, int h, uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
    std::vector<uint8_t> px(static_cast<size_t>(w) * h * 4);
    for (size_t i = 0; i < px.size(); i += 4) px[i] = r, px[i + 1] = g, px[i + 2] = b, px[i + 3] = a;
    return px;
}

}  // namespace testpng
