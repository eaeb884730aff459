// pixels.cpp — the headless backend's device: SDL's software renderer drawing into a
// 640 × 480 surface with the same drawing code as the real window (sdl/render.cpp),
// present (flushes the drawing; no pacing, the caller owns time), the back buffer's
// pixels and PNG snapshots. The window, events and clock are window.cpp's.
// Lacks: vertical sync, a display.
#include <png.h>

#include <cstdio>
#include <cstring>

#include "platform/headless/headless.h"
#include "platform/last_error.h"
#include "platform/sdl/render.h"

namespace platform {

namespace {

SDL_Surface* surface = nullptr;
uint8_t pixels[BACK_BUFFER_WIDTH * BACK_BUFFER_HEIGHT * 4];

}  // namespace

bool openDevice() {
    if (surface) return true;
    surface = SDL_CreateRGBSurfaceWithFormat(0, BACK_BUFFER_WIDTH, BACK_BUFFER_HEIGHT, 32, SDL_PIXELFORMAT_XBGR8888);
    SDL_Renderer* renderer = surface ? SDL_CreateSoftwareRenderer(surface) : nullptr;
    if (!renderer) {
        setLastError("device creation", SDL_GetError());
        if (surface) SDL_FreeSurface(surface);
        surface = nullptr;
        return false;
    }
    renderUse(renderer);
    return true;
}

void present() {
    if (SDL_Renderer* r = renderRenderer()) SDL_RenderFlush(r);
}

void headlessSetDrawing(bool on) { renderSetDrawing(on); }

const uint8_t* headlessPixels() {
    if (!surface) return pixels;
    SDL_RenderFlush(renderRenderer());
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
    const bool ok = png_image_write_to_stdio(&image, file, 0, rgba, BACK_BUFFER_WIDTH * 4, nullptr) != 0;
    png_image_free(&image);
    return ok;
}

bool headlessSavePng(const char* path) {
    std::FILE* file = std::fopen(path, "wb");
    if (!file) return false;
    const bool ok = headlessWritePng(file);
    return std::fclose(file) == 0 && ok;
}

}  // namespace platform
