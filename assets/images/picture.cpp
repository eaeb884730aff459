#include "assets/images/picture.h"

#include <png.h>
#include <zlib.h>

#include <cstdio>
#include <stdexcept>

#include "tools/common/output_file.h"

namespace imagegen {

namespace {

void appendBytes(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

void flushNothing(png_structp) {}

[[noreturn]] void pngFailed(png_structp, png_const_charp message) {
    throw std::runtime_error(std::string("libpng: ") + message);
}

void pngWarned(png_structp, png_const_charp) {}

// One encoding with a fixed filter set and deflate strategy. Rows are given as
// bytes per pixel already laid out (1 for palette, 4 for RGBA).
std::vector<uint8_t> encodeOnce(int w, int h, int colourType, const std::vector<png_color>& palette,
                                const std::vector<png_byte>& alphas, const std::vector<uint8_t>& rows, int filters,
                                int strategy) {
    std::vector<uint8_t> out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, pngFailed, pngWarned);
    if (!png) throw std::runtime_error("libpng: cannot create write struct");
    png_infop info = png_create_info_struct(png);
    try {
        if (!info) throw std::runtime_error("libpng: cannot create info struct");
        png_set_write_fn(png, &out, appendBytes, flushNothing);
        png_set_compression_level(png, 9);
        png_set_compression_mem_level(png, 9);
        png_set_compression_strategy(png, strategy);
        png_set_filter(png, PNG_FILTER_TYPE_BASE, filters);
        png_set_IHDR(png, info, w, h, 8, colourType, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_BASE,
                     PNG_FILTER_TYPE_BASE);
        if (colourType == PNG_COLOR_TYPE_PALETTE) {
            png_set_PLTE(png, info, palette.data(), static_cast<int>(palette.size()));
            if (!alphas.empty()) png_set_tRNS(png, info, alphas.data(), static_cast<int>(alphas.size()), nullptr);
        }
        png_write_info(png, info);
        size_t stride = rows.size() / h;
        for (int y = 0; y < h; ++y) png_write_row(png, rows.data() + stride * y);
        png_write_end(png, info);
    } catch (...) {
        png_destroy_write_struct(&png, &info);
        throw;
    }
    png_destroy_write_struct(&png, &info);
    return out;
}

}  // namespace

Picture makePicture(int width, int height, std::vector<Colour> palette, uint8_t fill) {
    Picture p;
    p.width = width;
    p.height = height;
    p.palette = std::move(palette);
    p.index.assign(static_cast<size_t>(width) * height, fill);
    return p;
}

std::vector<Colour> expand(const Picture& p) {
    std::vector<Colour> px(p.index.size());
    for (size_t i = 0; i < px.size(); ++i) px[i] = p.palette.at(p.index[i]);
    return px;
}

std::vector<uint8_t> encodePng(const Picture& p, PngKind kind) {
    int colourType = PNG_COLOR_TYPE_PALETTE;
    std::vector<png_color> palette;
    std::vector<png_byte> alphas;
    std::vector<uint8_t> rows;
    for (uint8_t i : p.index)
        if (i >= p.palette.size()) throw std::runtime_error("pixel index outside the palette");
    if (kind == PngKind::RGBA) {
        colourType = PNG_COLOR_TYPE_RGBA;
        for (const Colour& c : expand(p)) rows.insert(rows.end(), {c.r, c.g, c.b, c.a});
    } else {
        if (p.palette.empty() || p.palette.size() > 256) throw std::runtime_error("palette needs 1..256 entries");
        for (size_t i = 0; i < p.palette.size(); ++i) {
            const Colour& c = p.palette[i];
            palette.push_back({c.r, c.g, c.b});
            bool last = i + 1 == p.palette.size();
            bool wantTransparent = kind == PngKind::KEYED_PALETTE && last;
            if (c.a != (wantTransparent ? 0 : 255))
                throw std::runtime_error("palette alpha: only the last entry of a keyed palette may be transparent");
        }
        if (kind == PngKind::KEYED_PALETTE) {
            alphas.assign(p.palette.size(), 255);
            alphas.back() = 0;
        }
        rows = p.index;
    }
    const int filterSets[] = {PNG_FILTER_NONE, PNG_FILTER_SUB,   PNG_FILTER_UP,
                              PNG_FILTER_AVG,  PNG_FILTER_PAETH, PNG_ALL_FILTERS};
    const int strategies[] = {Z_DEFAULT_STRATEGY, Z_FILTERED, Z_RLE};
    std::vector<uint8_t> best;
    for (int f : filterSets)
        for (int s : strategies) {
            std::vector<uint8_t> png = encodeOnce(p.width, p.height, colourType, palette, alphas, rows, f, s);
            if (best.empty() || png.size() < best.size()) best = std::move(png);
        }
    return best;
}

std::vector<uint8_t> encodeRgbaPng(int w, int h, const std::vector<Colour>& pixels) {
    std::vector<uint8_t> rows;
    for (const Colour& c : pixels) rows.insert(rows.end(), {c.r, c.g, c.b, c.a});
    std::vector<uint8_t> best;
    for (int f : {PNG_FILTER_NONE, PNG_ALL_FILTERS}) {
        std::vector<uint8_t> png = encodeOnce(w, h, PNG_COLOR_TYPE_RGBA, {}, {}, rows, f, Z_DEFAULT_STRATEGY);
        if (best.empty() || png.size() < best.size()) best = std::move(png);
    }
    return best;
}

void writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::string error;
    if (!toolio::writeWholeFile(path, bytes.data(), bytes.size(), &error)) throw std::runtime_error(error);
}

}  // namespace imagegen
