#include "pixelart.h"

#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>

namespace imagegen {

namespace {

// Larger than any texture the game can decode; also keeps a typo from asking for gigabytes.
constexpr int MAX_SIDE = 4096;

[[noreturn]] void fail(const std::string& name, int line, const std::string& what) {
    throw std::runtime_error(name + ":" + std::to_string(line) + ": " + what);
}

bool parseHexColour(const std::string& s, Colour& c) {
    if (s.size() != 6) return false;
    unsigned v = 0;
    for (char ch : s) {
        int d = ch >= '0' && ch <= '9'   ? ch - '0'
                : ch >= 'a' && ch <= 'f' ? ch - 'a' + 10
                : ch >= 'A' && ch <= 'F' ? ch - 'A' + 10
                                         : -1;
        if (d < 0) return false;
        v = v * 16 + static_cast<unsigned>(d);
    }
    c = {static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v), 255};
    return true;
}

}  // namespace

Picture parsePixelArt(const std::string& text, const std::string& name) {
    std::istringstream in(text);
    std::string line;
    int lineNo = 0;
    int width = 0, height = 0, sx = 1, sy = 1;
    std::vector<std::pair<char, Colour>> colours;
    std::vector<std::string> grid;
    bool inGrid = false, ended = false;
    while (std::getline(in, line)) {
        ++lineNo;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (inGrid) {
            if (line == "end") {
                inGrid = false;
                ended = true;
            } else {
                grid.push_back(line);
            }
            continue;
        }
        std::istringstream words(line);
        std::string word;
        if (!(words >> word) || word[0] == '#') continue;
        if (word == "size") {
            if (!(words >> width >> height) || width <= 0 || height <= 0 || width > MAX_SIDE || height > MAX_SIDE)
                fail(name, lineNo, "size needs two numbers in 1.." + std::to_string(MAX_SIDE));
        } else if (word == "scale") {
            if (!(words >> sx >> sy) || sx <= 0 || sy <= 0) fail(name, lineNo, "scale needs two positive numbers");
        } else if (word == "colour") {
            std::string key, value;
            if (!(words >> key >> value) || key.size() != 1) fail(name, lineNo, "colour needs a character and rrggbb");
            Colour c;
            if (value == "transparent") {
                c = {0, 0, 0, 0};
            } else if (!parseHexColour(value, c)) {
                fail(name, lineNo, "bad colour '" + value + "'");
            }
            for (auto& [k, v] : colours)
                if (k == key[0]) fail(name, lineNo, std::string("colour '") + key + "' given twice");
            colours.push_back({key[0], c});
        } else if (word == "grid") {
            if (ended) fail(name, lineNo, "second grid");
            inGrid = true;
        } else {
            fail(name, lineNo, "unknown word '" + word + "'");
        }
    }
    if (!ended) fail(name, lineNo, "grid missing or not closed by 'end'");
    if (width == 0) fail(name, lineNo, "no size line");
    if (width % sx || height % sy) fail(name, lineNo, "size is not a multiple of scale");
    int gw = width / sx, gh = height / sy;
    if (static_cast<int>(grid.size()) != gh)
        fail(name, lineNo, "grid has " + std::to_string(grid.size()) + " rows, expected " + std::to_string(gh));

    // Palette: opaque colours in order, then the transparent one.
    std::vector<Colour> palette;
    std::map<char, uint8_t> indexOf;
    int transparent = 0;
    for (auto& [k, c] : colours) {
        if (c.a == 0) {
            ++transparent;
            continue;
        }
        indexOf[k] = static_cast<uint8_t>(palette.size());
        palette.push_back(c);
    }
    if (transparent > 1) fail(name, lineNo, "more than one transparent colour");
    for (auto& [k, c] : colours)
        if (c.a == 0) {
            indexOf[k] = static_cast<uint8_t>(palette.size());
            palette.push_back(c);
        }

    Picture p = makePicture(width, height, palette);
    for (int gy = 0; gy < gh; ++gy) {
        const std::string& row = grid[gy];
        if (static_cast<int>(row.size()) != gw)
            fail(name, lineNo - gh + gy,
                 "row is " + std::to_string(row.size()) + " wide, expected " + std::to_string(gw));
        for (int gx = 0; gx < gw; ++gx) {
            auto it = indexOf.find(row[gx]);
            if (it == indexOf.end()) fail(name, lineNo - gh + gy, std::string("unknown character '") + row[gx] + "'");
            for (int y = 0; y < sy; ++y)
                for (int x = 0; x < sx; ++x) p.at(gx * sx + x, gy * sy + y) = it->second;
        }
    }
    return p;
}

Picture loadPixelArt(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    if (!f) throw std::runtime_error("cannot read " + path);
    std::stringstream text;
    text << f.rdbuf();
    return parsePixelArt(text.str(), path);
}

uint8_t paletteIndex(Picture& p, Colour c) {
    for (size_t i = 0; i < p.palette.size(); ++i)
        if (p.palette[i] == c) return static_cast<uint8_t>(i);
    if (p.palette.size() >= 256) throw std::runtime_error("palette full");
    p.palette.push_back(c);
    return static_cast<uint8_t>(p.palette.size() - 1);
}

void blit(Picture& dst, const Picture& src, int x, int y, int scale) {
    std::vector<uint8_t> map(src.palette.size());
    for (size_t i = 0; i < src.palette.size(); ++i)
        if (src.palette[i].a != 0) map[i] = paletteIndex(dst, src.palette[i]);
    for (int sy = 0; sy < src.height; ++sy)
        for (int sx = 0; sx < src.width; ++sx) {
            uint8_t i = src.at(sx, sy);
            if (src.palette[i].a == 0) continue;
            for (int dy = 0; dy < scale; ++dy)
                for (int dx = 0; dx < scale; ++dx) {
                    int px = x + sx * scale + dx, py = y + sy * scale + dy;
                    if (dst.inside(px, py)) dst.at(px, py) = map[i];
                }
        }
}

}  // namespace imagegen
