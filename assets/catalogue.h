// catalogue.h — the fifteen images of the embedded block: one row each, in block order.
//
// The one place that says which image is which. The image generator draws and checks
// each image from its row, the packer checks and pads it to its budget, start-up
// decodes it into its GameState texture, and the tests read the same rows.
//
//   const assets::CatalogueImage& walk = assets::IMAGES[10];   // "walk_a", 70 x 100
//   int n = assets::imageOf(assets::WALK_A);                    // 10
//
// Sizes are pixels; the budget is bytes.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace assets {

constexpr int IMAGE_COUNT = 15;

// The GameState texture an image is decoded into at start-up, the index of
// GameState::textures (NO_TEXTURE: never decoded).
enum TextureField : int {
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
    TEXTURE_COUNT,
    NO_TEXTURE = TEXTURE_COUNT,
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
    const char* textureName;  // the texture's name in skarvo-sim's output (null: none)
    int width;
    int height;
    int colourType;  // PNG: 3 palette, 6 RGBA
    Transparency transparency;
    uint32_t bytes;  // exact stored length in the block: the PNG and its padding
};

// clang-format off
constexpr CatalogueImage IMAGES[IMAGE_COUNT] = {
    // name         texture      texture name      pixels    type  transparency                  bytes
    {"backdrop",   BACKDROP,    "texBackdrop",    640, 480, 6,    Transparency::COLOUR_KEY,     12023},
    {"boot",       BOOT,        "texBoot",         50,  50, 3,    Transparency::PALETTE_ENTRY,    536},
    {"vulture",    VULTURE,     "texVulture",      50,  50, 3,    Transparency::PALETTE_ENTRY,    667},
    {"snake",      SNAKE,       "texSnake",        50,  50, 3,    Transparency::PALETTE_ENTRY,    494},
    {"tumbleweed", TUMBLEWEED,  "texTumbleweed",   50,  50, 3,    Transparency::PALETTE_ENTRY,    678},
    {"bottle",     BOTTLE,      "texBottle",       12,  19, 3,    Transparency::PALETTE_ENTRY,    233},
    {"joystick",   JOYSTICK,    "texJoystick",     12,  19, 3,    Transparency::PALETTE_ENTRY,    219},
    {"banana",     BANANA,      "texBanana",       12,  19, 3,    Transparency::PALETTE_ENTRY,    233},
    {"ring",       RING,        "texRing",         12,  19, 3,    Transparency::PALETTE_ENTRY,    231},
    {"plate",      PLATE,       "texPlate",        19,  12, 6,    Transparency::ALPHA,           3086},
    {"walk_a",     WALK_A,      "texWalkA",        70, 100, 3,    Transparency::PALETTE_ENTRY,    812},
    {"walk_b",     WALK_B,      "texWalkB",        70, 100, 3,    Transparency::PALETTE_ENTRY,    832},
    {"throw_a",    THROW_A,     "texThrowA",       70, 100, 3,    Transparency::PALETTE_ENTRY,    770},
    {"throw_b",    THROW_B,     "texThrowB",       70, 100, 3,    Transparency::PALETTE_ENTRY,    830},
    {"title",      NO_TEXTURE,  nullptr,          200, 200, 3,    Transparency::NONE,            1006},
};
// clang-format on

// The order start-up decodes the textures in: the backdrop, the targets, the player's
// frames, then the thrown objects.
constexpr TextureField DECODE_ORDER[TEXTURE_COUNT] = {BACKDROP, BOOT,    VULTURE,  SNAKE, TUMBLEWEED,
                                                      WALK_A,   WALK_B,  THROW_A,  THROW_B, BOTTLE,
                                                      JOYSTICK, RING,    PLATE,    BANANA};

// The image decoded into texture `t`, or -1 for NO_TEXTURE.
constexpr int imageOf(TextureField t) {
    if (t == NO_TEXTURE) return -1;
    for (int n = 0; n < IMAGE_COUNT; ++n)
        if (IMAGES[n].texture == t) return n;
    return -1;
}

// Every texture is filled from exactly one image, and decoded exactly once.
constexpr bool eachTextureOnce() {
    for (int t = 0; t < TEXTURE_COUNT; ++t) {
        int images = 0, decodes = 0;
        for (const CatalogueImage& image : IMAGES) images += image.texture == t;
        for (TextureField d : DECODE_ORDER) decodes += d == t;
        if (images != 1 || decodes != 1) return false;
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
