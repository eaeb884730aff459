// catalogue.h — the fifteen images of the embedded block: one row each, in block order.
//
// The one place that says which image is which. The image generator draws and checks
// each image from its row, the packer checks and pads it to its budget, start-up
// decodes it into its GameState texture, and the tests read the same rows.
//
//   const assets::CatalogueImage& walk = assets::IMAGES[10];   // "walk_a", 70 x 100
//   int n = assets::imageOf(assets::TextureField::WALK_A);      // 10
//
// Sizes are pixels; the budget is bytes.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace assets {

constexpr int IMAGE_COUNT = 15;

// The GameState texture an image is decoded into at start-up (NONE: never decoded).
enum class TextureField {
    BACKDROP,
    BOOT,
    VULTURE,
    SNAKE,
    TUMBLEWEED,
    BOTTLE,
    JOYSTICK,
    BANANA,
    RING,
    PLATE,
    WALK_A,
    WALK_B,
    THROW_A,
    THROW_B,
    NONE,
};

// Where an image's transparent pixels come from.
enum class Transparency {
    COLOUR_KEY,     // none in the file; its opaque black pixels become transparent at decode
    PALETTE_ENTRY,  // the palette's last entry is its one transparent colour
    ALPHA,          // RGBA with alpha 0 or 255
    NONE,           // fully opaque
};

struct CatalogueImage {
    const char* name;  // file stem: source name.txt, built NN_name.png
    TextureField texture;
    int width;
    int height;
    int colourType;  // PNG: 3 palette, 6 RGBA
    Transparency transparency;
    uint32_t bytes;  // exact stored length in the block: the PNG and its padding
};

// clang-format off
constexpr CatalogueImage IMAGES[IMAGE_COUNT] = {
    // name         texture                   pixels    type  transparency                  bytes
    {"backdrop",   TextureField::BACKDROP,   640, 480, 6,    Transparency::COLOUR_KEY,     12023},
    {"boot",       TextureField::BOOT,        50,  50, 3,    Transparency::PALETTE_ENTRY,    536},
    {"vulture",    TextureField::VULTURE,     50,  50, 3,    Transparency::PALETTE_ENTRY,    667},
    {"snake",      TextureField::SNAKE,       50,  50, 3,    Transparency::PALETTE_ENTRY,    494},
    {"tumbleweed", TextureField::TUMBLEWEED,  50,  50, 3,    Transparency::PALETTE_ENTRY,    678},
    {"bottle",     TextureField::BOTTLE,      12,  19, 3,    Transparency::PALETTE_ENTRY,    233},
    {"joystick",   TextureField::JOYSTICK,    12,  19, 3,    Transparency::PALETTE_ENTRY,    219},
    {"banana",     TextureField::BANANA,      12,  19, 3,    Transparency::PALETTE_ENTRY,    233},
    {"ring",       TextureField::RING,        12,  19, 3,    Transparency::PALETTE_ENTRY,    231},
    {"plate",      TextureField::PLATE,       19,  12, 6,    Transparency::ALPHA,           3086},
    {"walk_a",     TextureField::WALK_A,      70, 100, 3,    Transparency::PALETTE_ENTRY,    812},
    {"walk_b",     TextureField::WALK_B,      70, 100, 3,    Transparency::PALETTE_ENTRY,    832},
    {"throw_a",    TextureField::THROW_A,     70, 100, 3,    Transparency::PALETTE_ENTRY,    770},
    {"throw_b",    TextureField::THROW_B,     70, 100, 3,    Transparency::PALETTE_ENTRY,    830},
    {"title",      TextureField::NONE,       200, 200, 3,    Transparency::NONE,            1006},
};
// clang-format on

// The image decoded into texture `t`, or -1 for NONE.
constexpr int imageOf(TextureField t) {
    if (t == TextureField::NONE) return -1;
    for (int n = 0; n < IMAGE_COUNT; ++n)
        if (IMAGES[n].texture == t) return n;
    return -1;
}

// Every texture field but NONE is filled from exactly one image.
constexpr bool eachTextureOnce() {
    for (int t = 0; t < static_cast<int>(TextureField::NONE); ++t) {
        int count = 0;
        for (const CatalogueImage& image : IMAGES) count += static_cast<int>(image.texture) == t;
        if (count != 1) return false;
    }
    return true;
}
static_assert(eachTextureOnce());

// The file a built image is kept in: NN_name.png.
inline std::string imageFileName(int n) {
    char name[64];
    std::snprintf(name, sizeof name, "%02d_%s.png", n, IMAGES[n].name);
    return name;
}

}  // namespace assets
