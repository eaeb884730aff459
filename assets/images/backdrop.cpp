// The desert backdrop: a night sky (opaque black, keyed out at run time) with grey
// clouds, a moon and a few stars, above a band of sand with mesas and cacti, framed
// by black borders. Flat colours in long horizontal runs keep the PNG small.
#include <algorithm>
#include <array>
#include <cmath>

#include "assets/images/draw.h"
#include "assets/images/generated.h"
#include "assets/images/pixelart.h"

namespace imagegen {

namespace {

enum : uint8_t {
    BLACK,
    STAR,
    MOON,
    CLOUD,
    CLOUD_SHADE,
    CLOUD_EDGE,
    MESA,
    MESA_SHADE,
    SAND_FAR,
    SAND,
    SAND_NEAR,
    DUNE_LINE,
    CACTUS,
    CACTUS_LIGHT,
    CACTUS_EDGE,
    ROCK,
    ROCK_LIGHT,
    SAND_SHADOW,
    DIM_STAR,
    CLEAR,  // transparent, only in the small pictures that are drawn onto the backdrop
};

const std::vector<Colour> PALETTE = {
    {0, 0, 0, 255},       {120, 120, 132, 255}, {224, 220, 196, 255}, {176, 176, 184, 255}, {132, 132, 144, 255},
    {92, 92, 104, 255},   {150, 88, 62, 255},   {112, 62, 46, 255},   {214, 170, 112, 255}, {226, 186, 126, 255},
    {236, 202, 144, 255}, {198, 150, 96, 255},  {58, 122, 52, 255},   {96, 164, 74, 255},   {24, 56, 26, 255},
    {140, 112, 88, 255},  {184, 160, 136, 255}, {190, 146, 92, 255},  {70, 70, 82, 255},    {0, 0, 0, 0},
};

constexpr int BORDER = 8;
constexpr int HORIZON = 232;   // first row of sand
constexpr int SAND_END = 448;  // first row of the bottom border

// A cloud: overlapping puffs on a flat base, its lower part in shade, outlined.
Picture cloud(int w, int h, const std::vector<std::array<float, 3>>& puffs) {
    Picture c = makePicture(w, h, PALETTE, CLEAR);
    for (const auto& pf : puffs) fillEllipse(c, pf[0], pf[1], pf[2], pf[2] * 0.8f, CLOUD);
    int base = h - 4;
    for (int y = base; y < h; ++y)
        for (int x = 0; x < w; ++x) c.at(x, y) = CLEAR;
    for (int y = base - 6; y < base; ++y)
        for (int x = 0; x < w; ++x)
            if (c.at(x, y) == CLOUD) c.at(x, y) = CLOUD_SHADE;
    outline(c, CLOUD_EDGE, CLEAR);
    return c;
}

// A saguaro of the given trunk height; arms at fixed fractions of it.
Picture saguaro(int height, bool leftArm, bool rightArm) {
    int trunk = std::max(6, height / 5);
    int arm = std::max(4, trunk * 3 / 4);
    int w = trunk * 4, h = height;
    Picture c = makePicture(w, h, PALETTE, CLEAR);
    int tx = (w - trunk) / 2;
    fillRoundRect(c, tx, 0, tx + trunk, h + trunk, trunk / 2, CACTUS);
    if (leftArm) {
        int y = h * 45 / 100;
        fillRoundRect(c, 1, y - h / 4, 1 + arm, y + arm, arm / 2, CACTUS);
        fillRect(c, 1 + arm / 2, y, tx + 1, y + arm, CACTUS);
    }
    if (rightArm) {
        int y = h * 35 / 100;
        fillRoundRect(c, w - 1 - arm, y - h / 5, w - 1, y + arm, arm / 2, CACTUS);
        fillRect(c, tx + trunk - 1, y, w - 1 - arm / 2, y + arm, CACTUS);
    }
    // A lighter stripe down the trunk gives it roundness.
    fillRect(c, tx + trunk / 4, trunk / 3, tx + trunk / 4 + std::max(1, trunk / 5), h, CACTUS_LIGHT);
    outline(c, CACTUS_EDGE, CLEAR);
    return c;
}

// The fixed number sequence behind the stars and the rocks, one draw after another.
struct Sequence {
    uint32_t seed = 12345;
    uint32_t next(uint32_t range) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) % range;
    }
};

// Stars kept clear of the moon, every fifth one a bright cross, the rest single dim
// or bright points; the crescent moon; the clouds.
void drawSky(Picture& p, Sequence& seq) {
    for (int i = 0; i < 60; ++i) {
        int x = BORDER + 2 + static_cast<int>(seq.next(640 - 2 * BORDER - 4));
        int y = BORDER + 2 + static_cast<int>(seq.next(HORIZON - 50 - BORDER));
        if (std::abs(x - 552) < 40 && std::abs(y - 64) < 40) continue;
        if (i % 5 == 0) {
            fillRect(p, x - 1, y, x + 2, y + 1, STAR);
            fillRect(p, x, y - 1, x + 1, y + 2, STAR);
            p.at(x, y) = MOON;
        } else {
            p.at(x, y) = i % 2 ? DIM_STAR : STAR;
        }
    }

    fillEllipse(p, 552.0f, 64.0f, 22.0f, 22.0f, MOON);
    fillEllipse(p, 562.0f, 56.0f, 20.0f, 20.0f, BLACK);

    blit(p, cloud(120, 40, {{20, 26, 14}, {44, 18, 18}, {70, 20, 16}, {94, 26, 14}, {56, 28, 14}}), 60, 40);
    blit(p, cloud(90, 32, {{16, 20, 12}, {38, 13, 14}, {60, 17, 13}, {76, 22, 10}}), 300, 90);
    blit(p, cloud(150, 44, {{22, 30, 15}, {50, 20, 19}, {82, 16, 21}, {112, 22, 18}, {134, 30, 12}}), 420, 140);
    blit(p, cloud(70, 26, {{14, 17, 10}, {32, 11, 12}, {52, 16, 11}}), 150, 170);
}

// Mesas on the horizon, each a stepped flat-topped block with a shaded side and a
// darker stratum a third of the way down.
void drawMesas(Picture& p) {
    struct Mesa {
        int x0, x1, top;
    };
    for (const Mesa& m : {Mesa{40, 150, 200}, Mesa{120, 210, 214}, Mesa{430, 590, 192}, Mesa{560, 632, 210}}) {
        for (int y = m.top; y < HORIZON; ++y) {
            int slope = (y - m.top) / 3;
            fillRect(p, m.x0 - slope, y, m.x1 + slope, y + 1, MESA);
            fillRect(p, m.x1 - 10 + slope / 2, y, m.x1 + slope, y + 1, MESA_SHADE);
        }
        int layer = m.top + (HORIZON - m.top) / 3;
        for (int y = layer; y < layer + 3; ++y) {
            int slope = (y - m.top) / 3;
            fillRect(p, m.x0 - slope, y, m.x1 + slope, y + 1, MESA_SHADE);
        }
    }
}

// Sand: a far band, the main band and a nearer band, split by gently curved dune
// lines; then rocks, lit from the upper left.
void drawSand(Picture& p, Sequence& seq) {
    fillRect(p, BORDER, HORIZON, 640 - BORDER, SAND_END, SAND);
    fillRect(p, BORDER, HORIZON, 640 - BORDER, HORIZON + 14, SAND_FAR);
    for (int x = BORDER; x < 640 - BORDER; ++x) {
        int duneA = 300 + static_cast<int>(std::lround(8.0 * std::sin(x * 0.018)));
        int duneB = 392 + static_cast<int>(std::lround(10.0 * std::sin(x * 0.011 + 2.0)));
        fillRect(p, x, duneA, x + 1, duneA + 2, DUNE_LINE);
        fillRect(p, x, duneB, x + 1, SAND_END, SAND_NEAR);
        fillRect(p, x, duneB, x + 1, duneB + 2, DUNE_LINE);
    }
    for (int i = 0; i < 16; ++i) {
        float x = BORDER + 10.5f + static_cast<float>(seq.next(600));
        float y = HORIZON + 24.5f + static_cast<float>(seq.next(180));
        float r = 2.5f + static_cast<float>(seq.next(3));
        fillEllipse(p, x, y, r + 1.0f, r * 0.6f, ROCK);
        fillEllipse(p, x - 1.0f, y - 1.0f, r * 0.5f, r * 0.3f, ROCK_LIGHT);
    }
}

// Cacti, nearer ones lower and taller, each with its shadow on the sand.
void drawCacti(Picture& p) {
    struct Cactus {
        int x, foot, height;
        bool left, right;
    };
    for (const Cactus& c :
         {Cactus{96, 262, 40, true, false}, Cactus{250, 280, 56, true, true}, Cactus{470, 258, 36, false, true},
          Cactus{560, 330, 84, true, true}, Cactus{30, 420, 70, false, true}, Cactus{380, 436, 96, true, false}}) {
        Picture s = saguaro(c.height, c.left, c.right);
        fillEllipse(p, c.x + s.width * 0.3f, c.foot - 1.0f, s.width * 0.45f, 3.0f, SAND_SHADOW);
        blit(p, s, c.x - s.width / 2, c.foot - s.height);
    }
}

}  // namespace

// Back to front: sky, mesas, sand and rocks, cacti, then the black frame over all.
Picture makeBackdrop() {
    Picture p = makePicture(640, 480, PALETTE, BLACK);
    Sequence seq;  // the stars' draws come first, the rocks' continue the sequence
    drawSky(p, seq);
    drawMesas(p);
    drawSand(p, seq);
    drawCacti(p);

    fillRect(p, 0, 0, 640, BORDER, BLACK);
    fillRect(p, 0, SAND_END, 640, 480, BLACK);
    fillRect(p, 0, 0, BORDER, 480, BLACK);
    fillRect(p, 640 - BORDER, 0, 640, 480, BLACK);

    p.palette.pop_back();  // the helper's transparent entry is never drawn onto the backdrop
    return p;
}

}  // namespace imagegen
