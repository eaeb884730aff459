// skarvo_imagegen — builds the fifteen PNG images of the embedded block from the
// sources in this folder (pixel-art text files and the drawing code of the backdrop
// and the title picture).
//
//   skarvo_imagegen [--src DIR] --out DIR [--report]
//       writes NN_name.png for every image of the catalogue (catalogue.h)
//   skarvo_imagegen [--src DIR] --icon SIZE OUT.png
//       writes the title picture scaled to SIZE x SIZE pixels (RGBA), for icons
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>

#include "assets/catalogue.h"
#include "assets/images/generated.h"
#include "assets/images/pixelart.h"
#include "tools/common/message.h"

#ifndef SKARVO_IMAGE_SOURCES
#define SKARVO_IMAGE_SOURCES "."
#endif

namespace {

using namespace imagegen;

Picture makeImage(const assets::CatalogueImage& image, const std::string& src) {
    const std::string name = image.name;
    if (name == "backdrop") return makeBackdrop();
    if (name == "title") return makeTitle(src);
    return loadPixelArt(src + "/" + name + ".txt");
}

std::vector<uint8_t> encodeImage(const assets::CatalogueImage& s, const Picture& p) {
    if (p.width != s.width || p.height != s.height)
        throw std::runtime_error(std::string(s.name) + ": picture is " + std::to_string(p.width) + "x" +
                                 std::to_string(p.height) + ", expected " + std::to_string(s.width) + "x" +
                                 std::to_string(s.height));
    // Opaque black is the colour key: only an image that relies on it may use it.
    if (s.transparency != assets::Transparency::COLOUR_KEY)
        for (const Colour& c : p.palette)
            if (c == Colour{0, 0, 0, 255}) throw std::runtime_error(std::string(s.name) + ": opaque black in palette");
    PngKind kind = s.colourType == 6                                       ? PngKind::RGBA
                   : s.transparency == assets::Transparency::PALETTE_ENTRY ? PngKind::KEYED_PALETTE
                                                                           : PngKind::OPAQUE_PALETTE;
    return encodePng(p, kind);
}

// Area-weighted resampling of an opaque picture to size x size.
std::vector<Colour> resample(const Picture& p, int size) {
    std::vector<Colour> src = expand(p), out(static_cast<size_t>(size) * size);
    double sx = static_cast<double>(p.width) / size, sy = static_cast<double>(p.height) / size;
    for (int oy = 0; oy < size; ++oy)
        for (int ox = 0; ox < size; ++ox) {
            double x0 = ox * sx, x1 = x0 + sx, y0 = oy * sy, y1 = y0 + sy;
            double acc[4] = {0, 0, 0, 0}, area = 0;
            for (int y = static_cast<int>(y0); y < p.height && y < y1; ++y)
                for (int x = static_cast<int>(x0); x < p.width && x < x1; ++x) {
                    double w = (std::min<double>(x + 1, x1) - std::max<double>(x, x0)) *
                               (std::min<double>(y + 1, y1) - std::max<double>(y, y0));
                    const Colour& c = src[static_cast<size_t>(y) * p.width + x];
                    acc[0] += w * c.r, acc[1] += w * c.g, acc[2] += w * c.b, acc[3] += w * c.a;
                    area += w;
                }
            auto ch = [&](int k) { return static_cast<uint8_t>(std::lround(acc[k] / area)); };
            out[static_cast<size_t>(oy) * size + ox] = {ch(0), ch(1), ch(2), ch(3)};
        }
    return out;
}

int usage() {
    std::fprintf(stderr,
                 "usage: skarvo_imagegen [--src DIR] --out DIR [--report]\n"
                 "       skarvo_imagegen [--src DIR] --icon SIZE OUT.png\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::string src = SKARVO_IMAGE_SOURCES, out, iconOut;
    int iconSize = 0;
    bool report = false;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--src" && i + 1 < argc) {
            src = argv[++i];
        } else if (a == "--out" && i + 1 < argc) {
            out = argv[++i];
        } else if (a == "--icon" && i + 2 < argc) {
            iconSize = std::atoi(argv[++i]);
            iconOut = argv[++i];
            if (iconSize < 1 || iconSize > 4096) return usage();
        } else if (a == "--report") {
            report = true;
        } else {
            return usage();
        }
    }
    if (out.empty() == iconOut.empty()) return usage();
    try {
        if (!iconOut.empty()) {
            writeFile(iconOut, encodeRgbaPng(iconSize, iconSize, resample(makeTitle(src), iconSize)));
            return 0;
        }
        for (int n = 0; n < assets::IMAGE_COUNT; ++n) {
            const assets::CatalogueImage& image = assets::IMAGES[n];
            std::vector<uint8_t> png;
            try {
                png = encodeImage(image, makeImage(image, src));
            } catch (const std::exception& e) {
                throw std::runtime_error(std::string(image.name) + ": " + e.what());
            }
            const std::string name = assets::imageFileName(n);
            writeFile(out + "/" + name, png);
            if (report)
                std::printf("%-18s %6zu of %6u bytes%s\n", name.c_str(), png.size(), image.bytes,
                            png.size() + 12 > image.bytes && png.size() != image.bytes ? "  OVER BUDGET" : "");
        }
    } catch (const std::exception& e) {
        toolio::printMessage(stderr, "skarvo_imagegen", e.what());
        return 1;
    }
    return 0;
}
