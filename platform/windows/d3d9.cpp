// d3d9.cpp — the Windows backend's graphics on Direct3D 9: the device with the game's
// presentation parameters, the frame (clear, the fixed-function states and material
// the backdrop is lit with, the backdrop strip), present and its pacing, and textures
// (PNG decoded by image_wic.cpp into managed A8R8G8B8 textures). The sprite batch's
// drawing is d3d9_sprite.cpp's.
//
// Present draws the 640 × 480 back buffer letterboxed 4:3 into the client area (as the
// Linux build does) rather than stretched over it. Where Present does not wait for the
// display (Wine's does not), frames are paced to its refresh.
//
// Unlike the rest of the game, which releases nothing, the textures, the device and the
// Direct3D object are released just before the process exits: Wine crashed on exit
// with a live device (exit code 139 in 8 of 30 Escapes).
// Lacks: recovery from a lost device (what Present answers is not looked at), an
// exclusive fullscreen device (fullscreen is a borderless window).
#include <cstddef>
#include <cstring>
#include <vector>

#include "platform/image.h"
#include "platform/last_error.h"
#include "platform/pacing.h"
#include "platform/windows/backend.h"

// After backend.h: these need <windows.h> first.
// clang-format off
#include <mmsystem.h>
#include <d3d9.h>
// clang-format on

namespace platform {

static_assert(sizeof(math::Matrix) == sizeof(D3DMATRIX));
static_assert(sizeof(QuadVertex) == 32);

namespace {

IDirect3D9* direct3d = nullptr;
IDirect3DDevice9* device = nullptr;
Pacer pacer{};
std::vector<Texture*> textures;  // every texture made, for the release at exit

// The game's presentation parameters: one 640 × 480 X8R8G8B8 back buffer, discarded
// at each present, windowed, with a 24-bit depth and 8-bit stencil buffer.
D3DPRESENT_PARAMETERS presentParameters() {
    D3DPRESENT_PARAMETERS p{};
    p.BackBufferWidth = BACK_BUFFER_WIDTH;
    p.BackBufferHeight = BACK_BUFFER_HEIGHT;
    p.BackBufferFormat = D3DFMT_X8R8G8B8;
    p.BackBufferCount = 0;  // that is, one
    p.MultiSampleType = D3DMULTISAMPLE_NONE;
    p.SwapEffect = D3DSWAPEFFECT_DISCARD;
    p.hDeviceWindow = nullptr;  // the focus window
    p.Windowed = TRUE;
    p.EnableAutoDepthStencil = TRUE;
    p.AutoDepthStencilFormat = D3DFMT_D24S8;
    p.PresentationInterval = D3DPRESENT_INTERVAL_DEFAULT;
    return p;
}

// See the top of the file: why anything is released at all.
void releaseGraphics() {
    for (Texture* t : textures) {
        if (t->d3d) t->d3d->Release();
        t->d3d = nullptr;
    }
    textures.clear();
    if (device) device->Release();
    device = nullptr;
    if (direct3d) direct3d->Release();
    direct3d = nullptr;
}

uint64_t counterNow() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<uint64_t>(now.QuadPart);
}

}  // namespace

IDirect3DDevice9* d3d9Device() { return device; }

// [SECTION] device and frame

bool openDevice() {
    if (device) return true;
    HWND focus = windowHandle();
    if (!focus) {
        setLastError("device creation", "no window");
        return false;
    }
    if (!direct3d) direct3d = Direct3DCreate9(D3D_SDK_VERSION);
    if (!direct3d) {
        setLastError("Direct3D 9", "Direct3DCreate9 gave nothing (no d3d9.dll of version 32)");
        return false;
    }
    // FPU_PRESERVE: Direct3D must not lower the floating-point precision under the
    // game, whose arithmetic is to give the same bits on every system.
    D3DPRESENT_PARAMETERS params = presentParameters();
    HRESULT hr = direct3d->CreateDevice(0, D3DDEVTYPE_HAL, focus,
                                        D3DCREATE_MIXED_VERTEXPROCESSING | D3DCREATE_FPU_PRESERVE, &params, &device);
    if (FAILED(hr)) {
        // An adapter without vertex processing of its own: the same in software.
        params = presentParameters();
        hr = direct3d->CreateDevice(0, D3DDEVTYPE_HAL, focus,
                                    D3DCREATE_SOFTWARE_VERTEXPROCESSING | D3DCREATE_FPU_PRESERVE, &params, &device);
    }
    if (FAILED(hr)) {
        device = nullptr;
        setLastErrorCode("Direct3D 9 device creation", static_cast<unsigned long>(hr));
        return false;
    }
    atExit(releaseGraphics);

    // Smooth filtering, as the Linux build draws the backdrop; the game sets no filter.
    device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);

    // Pacing: frames at the display's refresh. A Present that waits for it never
    // returns sooner than 3/4 of a refresh after the last; many in a row that do mean
    // it does not wait, and then we pace ourselves. Sleep to the millisecond.
    timeBeginPeriod(1);
    D3DDISPLAYMODE mode{};
    const int hz = SUCCEEDED(direct3d->GetAdapterDisplayMode(0, &mode)) ? static_cast<int>(mode.RefreshRate) : 0;
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    pacerInit(&pacer, static_cast<uint64_t>(frequency.QuadPart), hz, 0, false);
    pacer.fastTicks = pacer.period * 3 / 4;
    return true;
}

void beginFrame(uint32_t argb, float depth) {
    if (!device) return;
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, argb, depth, 0);
    device->BeginScene();
    // Identity view, projection and world: the backdrop's positions are clip space.
    D3DMATRIX identity{};
    identity._11 = identity._22 = identity._33 = identity._44 = 1.0f;
    device->SetTransform(D3DTS_VIEW, &identity);
    device->SetTransform(D3DTS_PROJECTION, &identity);
    device->SetTransform(D3DTS_WORLD, &identity);
    device->SetFVF(D3DFVF_XYZ | D3DFVF_NORMAL);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    // Lit fully whatever the normal: white ambient light on a white material.
    device->SetRenderState(D3DRS_AMBIENT, 0xFFFFFFFF);
    D3DMATERIAL9 material{};
    material.Diffuse = material.Ambient = material.Specular = D3DCOLORVALUE{1.0f, 1.0f, 1.0f, 1.0f};
    material.Emissive = D3DCOLORVALUE{0.0f, 0.0f, 0.0f, 0.0f};
    material.Power = 10.0f;
    device->SetMaterial(&material);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
}

void drawBackdrop(Texture* texture, const math::Matrix& world, const QuadVertex quad[4]) {
    if (!device) return;
    device->SetTransform(D3DTS_WORLD, reinterpret_cast<const D3DMATRIX*>(&world));
    device->SetTexture(0, texture ? texture->d3d : nullptr);
    device->SetFVF(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1);
    device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(QuadVertex));
    device->SetTexture(0, nullptr);
}

void present() {
    if (!device) return;
    device->EndScene();
    RECT place;
    if (presentRect(&place)) device->Present(nullptr, &place, nullptr, nullptr);
    const uint64_t deadline = pacerAfterPresent(&pacer, counterNow());
    for (uint64_t now = counterNow(); now < deadline; now = counterNow()) Sleep(pacerSleepMs(pacer, now, deadline));
}

// [SECTION] textures

Texture* createTexture(const uint8_t* png, uint32_t length, uint32_t colourKey) {
    Image image;
    if (!decodeTextureImage(device != nullptr, png, length, colourKey, &image)) return nullptr;
    IDirect3DTexture9* d3d = nullptr;
    HRESULT hr =
        device->CreateTexture(image.width, image.height, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &d3d, nullptr);
    if (FAILED(hr)) {
        setLastErrorCode("texture creation", static_cast<unsigned long>(hr));
        return nullptr;
    }
    D3DLOCKED_RECT locked;
    hr = d3d->LockRect(0, &locked, nullptr, 0);
    if (FAILED(hr)) {
        setLastErrorCode("texture upload", static_cast<unsigned long>(hr));
        d3d->Release();
        return nullptr;
    }
    // R G B A rows into B G R A rows (A8R8G8B8 in memory order).
    for (int y = 0; y < image.height; ++y) {
        const uint8_t* src = &image.rgba[static_cast<size_t>(y) * image.width * 4];
        uint8_t* dst = static_cast<uint8_t*>(locked.pBits) + static_cast<ptrdiff_t>(y) * locked.Pitch;
        for (int x = 0; x < image.width; ++x, src += 4, dst += 4) {
            dst[0] = src[2];
            dst[1] = src[1];
            dst[2] = src[0];
            dst[3] = src[3];
        }
    }
    d3d->UnlockRect(0);
    Texture* texture = new Texture{d3d, image.width, image.height};
    textures.push_back(texture);
    return texture;
}

int textureWidth(const Texture* texture) { return texture ? texture->width : 0; }
int textureHeight(const Texture* texture) { return texture ? texture->height : 0; }

}  // namespace platform
