#include "assets/images/pixelart.h"

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

// A source as read, before its grid becomes pixels.
struct Source {
    std::string name;  // for error messages
    int width = 0, height = 0, sx = 1, sy = 1;
    std::vector<std::pair<char, Colour>> colours;  // in the order of the colour lines
    std::vector<std::string> grid;
    int gridLine = 0;  // line number of the grid's first row
    int lastLine = 0;
};

void readColour(Source& src, std::istringstream& words, int lineNo) {
    std::string key, value;
    if (!(words >> key >> value) || key.size() != 1) fail(src.name, lineNo, "colour needs a character and rrggbb");
    Colour c;
    if (value == "transparent") {
        c = {0, 0, 0, 0};
    } else if (!parseHexColour(value, c)) {
        fail(src.name, lineNo, "bad colour '" + value + "'");
    }
    for (auto& [k, v] : src.colours)
        if (k == key[0]) fail(src.name, lineNo, std::string("colour '") + key + "' given twice");
    src.colours.push_back({key[0], c});
}

// The lines of the source: words outside the grid, rows inside it, up to its end.
Source readSource(const std::string& text, const std::string& name) {
    Source src;
    src.name = name;
    std::istringstream in(text);
    std::string line;
    int lineNo = 0;
    bool inGrid = false, ended = false;
    while (std::getline(in, line)) {
        ++lineNo;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (inGrid) {
            if (line == "end") {
                inGrid = false;
                ended = true;
            } else {
                src.grid.push_back(line);
            }
            continue;
        }
        std::istringstream words(line);
        std::string word;
        if (!(words >> word) || word[0] == '#') continue;
        if (word == "size") {
            if (!(words >> src.width >> src.height) || src.width <= 0 || src.height <= 0 || src.width > MAX_SIDE ||
                src.height > MAX_SIDE)
                fail(name, lineNo, "size needs two numbers in 1.." + std::to_string(MAX_SIDE));
        } else if (word == "scale") {
            if (!(words >> src.sx >> src.sy) || src.sx <= 0 || src.sy <= 0)
                fail(name, lineNo, "scale needs two positive numbers");
        } else if (word == "colour") {
            readColour(src, words, lineNo);
        } else if (word == "grid") {
            if (ended) fail(name, lineNo, "second grid");
            inGrid = true;
            src.gridLine = lineNo + 1;
        } else {
            fail(name, lineNo, "unknown word '" + word + "'");
        }
    }
    src.lastLine = lineNo;
    if (!ended) fail(name, lineNo, "grid missing or not closed by 'end'");
    if (src.width == 0) fail(name, lineNo, "no size line");
    return src;
}

// Palette: opaque colours in order, then the transparent one; `indexOf` maps each
// character to its entry.
std::vector<Colour> makePalette(const Source& src, std::map<char, uint8_t>& indexOf) {
    std::vector<Colour> palette;
    int transparent = 0;
    for (auto& [k, c] : src.colours) {
        if (c.a == 0) {
            ++transparent;
            continue;
        }
        indexOf[k] = static_cast<uint8_t>(palette.size());
        palette.push_back(c);
    }
    if (transparent > 1) fail(src.name, src.lastLine, "more than one transparent colour");
    for (auto& [k, c] : src.colours)
        if (c.a == 0) {
            indexOf[k] = static_cast<uint8_t>(palette.size());
            palette.push_back(c);
        }
    return palette;
}

}  // namespace

Picture parsePixelArt(const std::string& text, const std::string& name) {
    const Source src = readSource(text, name);
    if (src.width % src.sx || src.height % src.sy) fail(name, src.lastLine, "size is not a multiple of scale");
    const int gw = src.width / src.sx, gh = src.height / src.sy;
    if (static_cast<int>(src.grid.size()) != gh)
        fail(name, src.lastLine,
             "grid has " + std::to_string(src.grid.size()) + " rows, expected " + std::to_string(gh));

    std::map<char, uint8_t> indexOf;
    Picture p = makePicture(src.width, src.height, makePalette(src, indexOf));
    for (int gy = 0; gy < gh; ++gy) {
        const std::string& row = src.grid[gy];
        const int lineNo = src.gridLine + gy;
        if (static_cast<int>(row.size()) != gw)
            fail(name, lineNo, "row is " + std::to_string(row.size()) + " wide, expected " + std::to_string(gw));
        for (int gx = 0; gx < gw; ++gx) {
            auto it = indexOf.find(row[gx]);
            if (it == indexOf.end()) fail(name, lineNo, std::string("unknown character '") + row[gx] + "'");
            for (int y = 0; y < src.sy; ++y)
                for (int x = 0; x < src.sx; ++x) p.at(gx * src.sx + x, gy * src.sy + y) = it->second;
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
