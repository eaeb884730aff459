// headless_log.cpp — the headless graphics device where there is no SDL and no PNG
// library (the Windows build of the tools and tests): the device state and the
// sprite batch's draw log as in headless_backend.cpp, but nothing is drawn. The
// window, messages, clock and exit are headless_window.cpp's.
//
// Textures keep only their size, read from the PNG header and rounded up to powers of
// two as the decoder would; their pixels are never decoded. The back buffer stays
// black, headlessSetDrawing() changes nothing and the PNG calls fail, so skarvo-sim's
// frame state and the draw log are the same as on Linux while its screenshots are not
// available.
#include <cstdio>
#include <cstring>

#include "backend_internal.h"
#include "headless.h"
#include "image.h"

namespace platform {

struct Texture {
    int width, height;
};

struct Device {
    DeviceState state;
};

namespace {

Device theDevice{};
bool haveDevice = false;
uint8_t pixels[BACK_BUFFER_WIDTH * BACK_BUFFER_HEIGHT * 4];

uint32_t bigEndian32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 | static_cast<uint32_t>(p[2]) << 8 |
           p[3];
}

}  // namespace

DeviceState* deviceStateOf(Device* device) { return device ? &device->state : nullptr; }

// --- device: state only ---

Device* createDevice(Direct3D* direct3d, uint32_t, uint32_t, Window* focusWindow, uint32_t, const PresentParameters*) {
    if (!direct3d || !focusWindow) {
        setLastError("device creation", "no window");
        return nullptr;
    }
    if (haveDevice) return &theDevice;
    deviceStateReset(&theDevice.state);
    haveDevice = true;
    return &theDevice;
}

int deviceClear(Device* device, uint32_t rectCount, const void* rects, uint32_t, uint32_t, float, uint32_t) {
    return !device || (rectCount != 0 && !rects) ? -1 : 0;
}

int deviceDrawPrimitiveUP(Device* device, uint32_t, uint32_t, const void* vertices, uint32_t stride) {
    return !device || !vertices || stride == 0 ? -1 : 0;
}

int devicePresent(Device* device, const void*, const void*, Window*, const void*) { return device ? 0 : -1; }

// --- textures: size only ---

int createTextureFromFileInMemoryEx(Device* device, const void* data, uint32_t length, uint32_t, uint32_t, uint32_t,
                                    uint32_t, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t, void*, void*,
                                    Texture** out) {
    if (!out) return -1;
    *out = nullptr;
    if (!device) {
        setLastError("texture decode", "no device");
        return -1;
    }
    // Signature, then the IHDR chunk: length, type, width, height.
    static const uint8_t SIGNATURE[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    const uint8_t* p = static_cast<const uint8_t*>(data);
    if (!p || length < 24 || std::memcmp(p, SIGNATURE, 8) != 0 || std::memcmp(p + 12, "IHDR", 4) != 0) {
        setLastError("texture decode", "not a PNG image");
        return -1;
    }
    const uint32_t w = bigEndian32(p + 16), h = bigEndian32(p + 20);
    if (w == 0 || h == 0 || w > MAX_IMAGE_SIDE || h > MAX_IMAGE_SIDE) {
        setLastError("texture decode", "image size out of range");
        return -1;
    }
    *out = new Texture{nextPowerOfTwo(static_cast<int>(w)), nextPowerOfTwo(static_cast<int>(h))};
    return 0;
}

int textureWidth(const Texture* texture) { return texture ? texture->width : 0; }
int textureHeight(const Texture* texture) { return texture ? texture->height : 0; }

// --- sprite batch: the log is the batch's own record ---

void spriteEnd(SpriteBatch* batch) {
    if (batch) spriteSortForEnd(batch);
}

// --- headless controls ---

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
