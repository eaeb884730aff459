// headless_backend.cpp — the graphics device without a display, for tests and tools:
// SDL's software renderer drawing into a 640 × 480 surface (the same drawing code as
// the real window), present (flushes the drawing; no pacing, the caller owns time),
// the back buffer's pixels and PNG snapshots. The window, messages, clock and exit are
// headless_window.cpp's.
// Lacks: vertical sync, real devices.
#include <png.h>

#include <cstdio>
#include <cstring>

#include "headless.h"
#include "render_internal.h"

namespace platform {

namespace {

Device theDevice{};
bool haveDevice = false;
SDL_Surface* surface = nullptr;
uint8_t pixels[BACK_BUFFER_WIDTH * BACK_BUFFER_HEIGHT * 4];
bool drawing = true;

}  // namespace

// --- device ---

Device* createDevice(Direct3D* direct3d, uint32_t, uint32_t, Window* focusWindow, uint32_t, const PresentParameters*) {
    if (!direct3d || !focusWindow) {
        setLastError("device creation", "no window");
        return nullptr;
    }
    if (haveDevice) return &theDevice;
    surface = SDL_CreateRGBSurfaceWithFormat(0, BACK_BUFFER_WIDTH, BACK_BUFFER_HEIGHT, 32, SDL_PIXELFORMAT_XBGR8888);
    SDL_Renderer* renderer = surface ? SDL_CreateSoftwareRenderer(surface) : nullptr;
    if (!renderer) {
        setLastError("device creation", SDL_GetError());
        return nullptr;
    }
    renderMakeDevice(&theDevice, renderer, nullptr);
    theDevice.drawPixels = drawing;
    haveDevice = true;
    return &theDevice;
}

int devicePresent(Device* device, const void*, const void*, Window*, const void*) {
    if (!device) return -1;
    SDL_RenderFlush(device->renderer);
    return 0;
}

// --- headless controls ---

void headlessSetDrawing(bool on) {
    drawing = on;
    theDevice.drawPixels = on;
}

const uint8_t* headlessPixels() {
    if (!haveDevice) return pixels;
    SDL_RenderFlush(theDevice.renderer);
    for (int y = 0; y < BACK_BUFFER_HEIGHT; ++y) {
        const uint8_t* row = static_cast<const uint8_t*>(surface->pixels) + static_cast<size_t>(y) * surface->pitch;
        uint8_t* out = pixels + static_cast<size_t>(y) * BACK_BUFFER_WIDTH * 4;
        std::memcpy(out, row, BACK_BUFFER_WIDTH * 4);
        for (int x = 0; x < BACK_BUFFER_WIDTH; ++x) out[x * 4 + 3] = 0xFF;  // the back buffer has no alpha
    }
    return pixels;
}

bool headlessWritePng(std::FILE* file) {
    const uint8_t* rgba = headlessPixels();
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = BACK_BUFFER_WIDTH;
    image.height = BACK_BUFFER_HEIGHT;
    image.format = PNG_FORMAT_RGBA;
    bool ok = png_image_write_to_stdio(&image, file, 0, rgba, BACK_BUFFER_WIDTH * 4, nullptr) != 0;
    png_image_free(&image);
    return ok;
}

bool headlessSavePng(const char* path) {
    FILE* file = std::fopen(path, "wb");
    if (!file) return false;
    bool ok = headlessWritePng(file);
    return std::fclose(file) == 0 && ok;
}

}  // namespace platform
