// platform_png_util.h — tiny PNG writers for the platform tests.
#pragma once

#include <png.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace testpng {

// Encodes w × h pixels as a PNG: RGBA bytes, or palette indices when `paletteRgba`
// is given (entries with alpha below 255 go to the transparency chunk).
inline std::vector<uint8_t> encode(int w, int h, const std::vector<uint8_t>& pixels,
                                   const std::vector<uint8_t>* paletteRgba = nullptr) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = w;
    image.height = h;
    image.format = paletteRgba ? PNG_FORMAT_RGBA_COLORMAP : PNG_FORMAT_RGBA;
    image.colormap_entries = paletteRgba ? static_cast<png_uint_32>(paletteRgba->size() / 4) : 0;
    const void* map = paletteRgba ? paletteRgba->data() : nullptr;
    png_alloc_size_t size = 0;
    png_image_write_to_memory(&image, nullptr, &size, 0, pixels.data(), 0, map);
    std::vector<uint8_t> out(size);
    if (!png_image_write_to_memory(&image, out.data(), &size, 0, pixels.data(), 0, map)) out.clear();
    out.resize(size);
    png_image_free(&image);
    return out;
}

inline std::vector<uint8_t> encodeRgba(int w, int h, const std::vector<uint8_t>& rgba) { return encode(w, h, rgba); }

// A w × h image of one colour (RGBA bytes).
inline std::vector<uint8_t> solid(int w, int h, uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
    std::vector<uint8_t> px(static_cast<size_t>(w) * h * 4);
    for (size_t i = 0; i < px.size(); i += 4) px[i] = r, px[i + 1] = g, px[i + 2] = b, px[i + 3] = a;
    return px;
}

}  // namespace testpng
