// log.cpp — the headless device where there is no SDL and no PNG library (the Windows
// and node builds of the tools and tests): the sprite batch keeps its draws as in
// pixels.cpp, but nothing is drawn. The window, events and clock are window.cpp's.
//
// Textures keep only their size, read from the PNG header and rounded up to powers of
// two as the decoder would; their pixels are never decoded. The back buffer stays
// black, headlessSetDrawing() changes nothing and the PNG calls fail, so skarvo-sim's
// frame state and draws are the same as on Linux while its snapshots are not available.
#include <cstdio>
#include <cstring>

#include "platform/headless/headless.h"
#include "platform/image.h"
#include "platform/last_error.h"

namespace platform {

struct Texture {
    int width, height;
};

namespace {

uint8_t pixels[BACK_BUFFER_WIDTH * BACK_BUFFER_HEIGHT * 4];

uint32_t bigEndian32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 | static_cast<uint32_t>(p[2]) << 8 |
           p[3];
}

}  // namespace

bool openDevice() { return true; }
void beginFrame(uint32_t, float) {}
void drawBackdrop(Texture*, const math::Matrix&, const QuadVertex*) {}
void present() {}

Texture* createTexture(const uint8_t* png, uint32_t length, uint32_t) {
    // Signature, then the IHDR chunk: length, type, width, height.
    static const uint8_t SIGNATURE[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (!png || length < 24 || std::memcmp(png, SIGNATURE, 8) != 0 || std::memcmp(png + 12, "IHDR", 4) != 0) {
        setLastError("texture decode", "not a PNG image");
        return nullptr;
    }
    const uint32_t w = bigEndian32(png + 16), h = bigEndian32(png + 20);
    if (w == 0 || h == 0 || w > MAX_IMAGE_SIDE || h > MAX_IMAGE_SIDE) {
        setLastError("texture decode", "image size out of range");
        return nullptr;
    }
    return new Texture{nextPowerOfTwo(static_cast<int>(w)), nextPowerOfTwo(static_cast<int>(h))};
}

int textureWidth(const Texture* texture) { return texture ? texture->width : 0; }
int textureHeight(const Texture* texture) { return texture ? texture->height : 0; }

void spriteEnd(SpriteBatch* batch) { spriteSortForEnd(batch); }

const uint8_t* headlessPixels() { return pixels; }

void headlessSetDrawing(bool) {}

bool headlessSavePng(const char*) {
    setLastError("snapshot", "this build keeps no pixels");
    return false;
}

bool headlessWritePng(std::FILE*) {
    setLastError("snapshot", "this build keeps no pixels");
    return false;
}

}  // namespace platform
