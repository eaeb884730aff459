// d3d9_texture.cpp — textures of the Windows backend: the image decoded (image.h, by
// WIC on Windows) into a managed A8R8G8B8 Direct3D 9 texture of the image's
// power-of-two size, one mip level.
#include <cstring>

#include "device.h"
#include "image.h"
#include "win32_internal.h"

#include "win32_system.h"
// After win32_system.h: these need <windows.h> first.
// clang-format off
#include <d3d9.h>
// clang-format on

namespace platform {

namespace {

// Every texture made, for the release at exit. The game makes fourteen.
constexpr int MAX_TEXTURES = 256;
Texture* textures[MAX_TEXTURES];
int textureCount = 0;

// RGBA rows into the locked texture's B G R A rows (A8R8G8B8 in memory order).
void copyAsBgra(const Image& image, uint8_t* bits, int pitch) {
    for (int y = 0; y < image.height; ++y) {
        const uint8_t* src = &image.rgba[static_cast<size_t>(y) * image.width * 4];
        uint8_t* dst = bits + static_cast<ptrdiff_t>(y) * pitch;
        for (int x = 0; x < image.width; ++x, src += 4, dst += 4) {
            dst[0] = src[2];
            dst[1] = src[1];
            dst[2] = src[0];
            dst[3] = src[3];
        }
    }
}

}  // namespace

void d3d9ReleaseTextures() {
    for (int i = 0; i < textureCount; ++i) {
        if (textures[i]->d3d) textures[i]->d3d->Release();
        textures[i]->d3d = nullptr;
    }
    textureCount = 0;
}

int createTextureFromFileInMemoryEx(Device* device, const void* data, uint32_t length, uint32_t, uint32_t, uint32_t,
                                    uint32_t, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t colourKey, void*, void*,
                                    Texture** out) {
    if (!out) return -1;
    *out = nullptr;
    if (!device || !device->d3d || textureCount == MAX_TEXTURES) {
        setLastError("texture decode", textureCount == MAX_TEXTURES ? "too many textures" : "no device");
        return -1;
    }
    Image image;
    if (const char* err = decodeImage(static_cast<const uint8_t*>(data), length, colourKey, &image)) {
        setLastError("texture decode", err);
        return -1;
    }
    IDirect3DTexture9* d3d = nullptr;
    HRESULT hr =
        device->d3d->CreateTexture(image.width, image.height, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &d3d, nullptr);
    if (FAILED(hr)) {
        win32SetLastError("texture creation", static_cast<unsigned long>(hr));
        return -1;
    }
    D3DLOCKED_RECT locked;
    hr = d3d->LockRect(0, &locked, nullptr, 0);
    if (FAILED(hr)) {
        win32SetLastError("texture upload", static_cast<unsigned long>(hr));
        d3d->Release();
        return -1;
    }
    copyAsBgra(image, static_cast<uint8_t*>(locked.pBits), locked.Pitch);
    d3d->UnlockRect(0);
    Texture* texture = new Texture{d3d, image.width, image.height};
    textures[textureCount++] = texture;
    *out = texture;
    return 0;
}

int textureWidth(const Texture* texture) { return texture ? texture->width : 0; }
int textureHeight(const Texture* texture) { return texture ? texture->height : 0; }

}  // namespace platform
