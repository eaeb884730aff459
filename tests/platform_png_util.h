// platform_png_util.h — tiny PNG writers for the platform and shell tests.
#pragma once

#include <png.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace testpng {

// Encodes w × h RGBA pixels as an RGBA PNG.
inline std::vector<uint8_t> encodeRgba(int w, int h, const std::vector<uint8_t>& rgba) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = w;
    image.height = h;
    image.format = PNG_FORMAT_RGBA;
    png_alloc_size_t size = 0;
    png_image_write_to_memory(&image, nullptr, &size, 0, rgba.data(), 0, nullptr);
    std::vector<uint8_t> out(size);
    if (!png_image_write_to_memory(&image, out.data(), &size, 0, rgba.data(), 0, nullptr)) out.clear();
    out.resize(size);
    png_image_free(&image);
    return out;
}

// Encodes w × h palette indices as a palette PNG; `palette` holds RGBA entries
// (entries with alpha below 255 go to the transparency chunk).
inline std::vector<uint8_t> encodePalette(int w, int h, const std::vector<uint8_t>& indices,
                                          const std::vector<uint8_t>& paletteRgba) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = w;
    image.height = h;
    image.format = PNG_FORMAT_RGBA_COLORMAP;
    image.colormap_entries = static_cast<png_uint_32>(paletteRgba.size() / 4);
    png_alloc_size_t size = 0;
    png_image_write_to_memory(&image, nullptr, &size, 0, indices.data(), 0, paletteRgba.data());
    std::vector<uint8_t> out(size);
    if (!png_image_write_to_memory(&image, out.data(), &size, 0, indices.data(), 0, paletteRgba.data())) out.clear();
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
