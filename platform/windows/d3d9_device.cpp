// d3d9_device.cpp — the graphics device of the Windows backend: device.h's calls on
// the real Direct3D 9, forwarded as the frame loop makes them (the device holds the
// state), plus presentation into the window and its pacing.
//
// Our constants and records have Direct3D's own numbers and layouts (checked below),
// so values pass through unchanged. Textures are in d3d9_texture.cpp, the sprite
// batch's drawing in d3d9_sprite.cpp.
//
// Present draws the 640 × 480 back buffer letterboxed 4:3 into the client area (as
// the Linux build does) rather than stretched over it. Where Present does not wait
// for the display (Wine's does not), frames are paced to its refresh.
//
// Unlike the rest of the game, which releases nothing, the textures, the device and
// the Direct3D object are released just before the process exits: Wine crashed on
// exit with a live device (exit code 139 in 8 of 30 Escapes).
#include "device.h"
#include "win32_exit.h"
#include "win32_internal.h"

#include "win32_system.h"
// After win32_system.h: these need <windows.h> first.
// clang-format off
#include <mmsystem.h>
#include <d3d9.h>
// clang-format on

#include <cstddef>

namespace platform {

static_assert(sizeof(Matrix) == sizeof(D3DMATRIX));
static_assert(sizeof(Material) == sizeof(D3DMATERIAL9) && offsetof(Material, power) == offsetof(D3DMATERIAL9, Power));
static_assert(TS_WORLD == D3DTS_WORLD && TS_VIEW == D3DTS_VIEW && TS_PROJECTION == D3DTS_PROJECTION);
static_assert(CLEAR_TARGET == D3DCLEAR_TARGET && CLEAR_ZBUFFER == D3DCLEAR_ZBUFFER);
static_assert(FVF_XYZ == D3DFVF_XYZ && FVF_NORMAL == D3DFVF_NORMAL && FVF_DIFFUSE == D3DFVF_DIFFUSE &&
              FVF_TEX1 == D3DFVF_TEX1);
static_assert(RS_ZENABLE == D3DRS_ZENABLE && RS_SRCBLEND == D3DRS_SRCBLEND && RS_DESTBLEND == D3DRS_DESTBLEND &&
              RS_CULLMODE == D3DRS_CULLMODE && RS_ALPHABLENDENABLE == D3DRS_ALPHABLENDENABLE &&
              RS_LIGHTING == D3DRS_LIGHTING && RS_AMBIENT == D3DRS_AMBIENT);
static_assert(PT_TRIANGLESTRIP == D3DPT_TRIANGLESTRIP && DEVTYPE_HAL == D3DDEVTYPE_HAL &&
              CREATE_MIXED_VERTEXPROCESSING == D3DCREATE_MIXED_VERTEXPROCESSING);

namespace {

Direct3D theDirect3D{};
Device theDevice{};

int result(HRESULT hr) { return FAILED(hr) ? static_cast<int>(hr) : 0; }

// See the top of the file: why anything is released at all.
void releaseGraphics() {
    d3d9ReleaseTextures();
    if (theDevice.d3d) theDevice.d3d->Release();
    theDevice.d3d = nullptr;
    if (theDirect3D.d3d) theDirect3D.d3d->Release();
    theDirect3D.d3d = nullptr;
}

D3DPRESENT_PARAMETERS nativeParameters(const PresentParameters& p, HWND focus) {
    D3DPRESENT_PARAMETERS n{};
    n.BackBufferWidth = p.backBufferWidth;
    n.BackBufferHeight = p.backBufferHeight;
    n.BackBufferFormat = static_cast<D3DFORMAT>(p.backBufferFormat);
    n.BackBufferCount = p.backBufferCount;
    n.MultiSampleType = static_cast<D3DMULTISAMPLE_TYPE>(p.multiSampleType);
    n.MultiSampleQuality = p.multiSampleQuality;
    n.SwapEffect = static_cast<D3DSWAPEFFECT>(p.swapEffect);
    n.hDeviceWindow = p.deviceWindow ? static_cast<HWND>(win32WindowHandle(p.deviceWindow)) : focus;
    n.Windowed = p.windowed;
    n.EnableAutoDepthStencil = p.enableAutoDepthStencil;
    n.AutoDepthStencilFormat = static_cast<D3DFORMAT>(p.autoDepthStencilFormat);
    n.Flags = p.flags;
    n.FullScreen_RefreshRateInHz = p.fullScreenRefreshRateInHz;
    n.PresentationInterval = p.presentationInterval;
    return n;
}

uint64_t counterNow() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<uint64_t>(now.QuadPart);
}

}  // namespace

Direct3D* direct3DCreate(uint32_t sdkVersion) {
    if (!theDirect3D.d3d) theDirect3D.d3d = Direct3DCreate9(sdkVersion);
    if (!theDirect3D.d3d) {
        setLastError("Direct3D 9", "Direct3DCreate9 gave nothing (no d3d9.dll of version 32)");
        return nullptr;
    }
    return &theDirect3D;
}

Device* createDevice(Direct3D* direct3d, uint32_t adapter, uint32_t deviceType, Window* focusWindow,
                     uint32_t behaviourFlags, const PresentParameters* params) {
    HWND focus = static_cast<HWND>(win32WindowHandle(focusWindow));
    if (!direct3d || !direct3d->d3d || !focus || !params) {
        setLastError("device creation", "no Direct3D object, window or parameters");
        return nullptr;
    }
    if (theDevice.d3d) return &theDevice;
    D3DPRESENT_PARAMETERS native = nativeParameters(*params, focus);
    // FPU_PRESERVE: Direct3D must not lower the floating-point precision under the
    // game, whose arithmetic is to give the same bits on every system.
    IDirect3DDevice9* d3d = nullptr;
    HRESULT hr = direct3d->d3d->CreateDevice(adapter, static_cast<D3DDEVTYPE>(deviceType), focus,
                                             behaviourFlags | D3DCREATE_FPU_PRESERVE, &native, &d3d);
    if (FAILED(hr) && (behaviourFlags & (D3DCREATE_MIXED_VERTEXPROCESSING | D3DCREATE_HARDWARE_VERTEXPROCESSING))) {
        // An adapter without vertex processing of its own: the same in software.
        const DWORD software = (behaviourFlags & ~static_cast<DWORD>(D3DCREATE_MIXED_VERTEXPROCESSING |
                                                                     D3DCREATE_HARDWARE_VERTEXPROCESSING)) |
                               D3DCREATE_SOFTWARE_VERTEXPROCESSING | D3DCREATE_FPU_PRESERVE;
        native = nativeParameters(*params, focus);
        hr = direct3d->d3d->CreateDevice(adapter, static_cast<D3DDEVTYPE>(deviceType), focus, software, &native, &d3d);
    }
    if (FAILED(hr)) {
        win32SetLastError("Direct3D 9 device creation", static_cast<unsigned long>(hr));
        return nullptr;
    }
    theDevice.d3d = d3d;
    theDevice.window = focusWindow;
    win32AtExit(releaseGraphics);

    // Smooth filtering, as the Linux build draws the backdrop; the game sets no filter.
    d3d->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    d3d->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);

    // Pacing: frames at the display's refresh. A Present that waits for it never
    // returns sooner than 3/4 of a refresh after the last; many in a row that do
    // mean it does not wait, and then we pace ourselves. Sleep to the millisecond.
    timeBeginPeriod(1);
    D3DDISPLAYMODE mode{};
    const int hz =
        SUCCEEDED(direct3d->d3d->GetAdapterDisplayMode(adapter, &mode)) ? static_cast<int>(mode.RefreshRate) : 0;
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    Pacer& pacer = theDevice.pacer;
    pacerInit(&pacer, static_cast<uint64_t>(frequency.QuadPart), hz, 0, false);
    pacer.fastTicks = pacer.period * 3 / 4;
    return &theDevice;
}

int deviceClear(Device* device, uint32_t rectCount, const void* rects, uint32_t flags, uint32_t colour, float z,
                uint32_t stencil) {
    if (!device || !device->d3d) return -1;
    // Our rectangles are left, top, right, bottom in 32-bit integers: D3DRECT.
    return result(device->d3d->Clear(rectCount, static_cast<const D3DRECT*>(rects), flags, colour, z, stencil));
}

int deviceBeginScene(Device* device) { return device && device->d3d ? result(device->d3d->BeginScene()) : -1; }
int deviceEndScene(Device* device) { return device && device->d3d ? result(device->d3d->EndScene()) : -1; }

int deviceSetTransform(Device* device, uint32_t state, const Matrix* matrix) {
    if (!device || !device->d3d || !matrix) return -1;
    return result(device->d3d->SetTransform(static_cast<D3DTRANSFORMSTATETYPE>(state),
                                            reinterpret_cast<const D3DMATRIX*>(matrix)));
}

int deviceSetFVF(Device* device, uint32_t fvf) { return device && device->d3d ? result(device->d3d->SetFVF(fvf)) : -1; }

int deviceSetRenderState(Device* device, uint32_t state, uint32_t value) {
    if (!device || !device->d3d) return -1;
    return result(device->d3d->SetRenderState(static_cast<D3DRENDERSTATETYPE>(state), value));
}

int deviceSetMaterial(Device* device, const Material* material) {
    if (!device || !device->d3d || !material) return -1;
    return result(device->d3d->SetMaterial(reinterpret_cast<const D3DMATERIAL9*>(material)));
}

int deviceSetTexture(Device* device, uint32_t stage, Texture* texture) {
    if (!device || !device->d3d) return -1;
    return result(device->d3d->SetTexture(stage, texture ? texture->d3d : nullptr));
}

int deviceDrawPrimitiveUP(Device* device, uint32_t primitiveType, uint32_t primitiveCount, const void* vertices,
                          uint32_t stride) {
    if (!device || !device->d3d || !vertices) return -1;
    return result(
        device->d3d->DrawPrimitiveUP(static_cast<D3DPRIMITIVETYPE>(primitiveType), primitiveCount, vertices, stride));
}

int devicePresent(Device* device, const void* sourceRect, const void* destRect, Window* overrideWindow,
                  const void* dirtyRegion) {
    if (!device || !device->d3d || sourceRect || destRect || overrideWindow || dirtyRegion) return -1;
    HRESULT hr = D3D_OK;
    int left, top, right, bottom;
    if (win32PresentRect(device->window, &left, &top, &right, &bottom)) {
        const RECT place{left, top, right, bottom};
        hr = device->d3d->Present(nullptr, &place, nullptr, nullptr);
    }
    const uint64_t deadline = pacerAfterPresent(&device->pacer, counterNow());
    for (uint64_t now = counterNow(); now < deadline; now = counterNow())
        Sleep(pacerSleepMs(device->pacer, now, deadline));
    return result(hr);
}

}  // namespace platform
