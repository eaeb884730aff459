// platform_readback.cpp — the drawing tests' view of the back buffer: the headless
// backend's pixels, or on Windows the Direct3D 9 render target copied to system memory
// (the scene ended for the copy and begun again).
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#ifdef _WIN32
#include "platform/windows/backend.h"
// After backend.h: needs <windows.h> first.
#include <d3d9.h>
#else
#include "platform/headless/headless.h"
#endif

using platform::BACK_BUFFER_HEIGHT;
using platform::BACK_BUFFER_WIDTH;

std::vector<uint32_t> readBackBuffer() {
    std::vector<uint32_t> px(size_t(BACK_BUFFER_WIDTH) * BACK_BUFFER_HEIGHT);
#ifdef _WIN32
    IDirect3DDevice9* d = platform::d3d9Device();
    IDirect3DSurface9 *target = nullptr, *copy = nullptr;
    D3DLOCKED_RECT r;
    d->EndScene();
    if (SUCCEEDED(d->GetRenderTarget(0, &target)) &&
        SUCCEEDED(d->CreateOffscreenPlainSurface(BACK_BUFFER_WIDTH, BACK_BUFFER_HEIGHT, D3DFMT_X8R8G8B8,
                                                 D3DPOOL_SYSTEMMEM, &copy, nullptr)) &&
        SUCCEEDED(d->GetRenderTargetData(target, copy)) && SUCCEEDED(copy->LockRect(&r, nullptr, D3DLOCK_READONLY))) {
        for (size_t i = 0; i < px.size(); ++i)
            px[i] =
                static_cast<const uint32_t*>(r.pBits)[i / BACK_BUFFER_WIDTH * (r.Pitch / 4) + i % BACK_BUFFER_WIDTH] &
                0xFFFFFF;
        copy->UnlockRect();
    }
    if (copy) copy->Release();
    if (target) target->Release();
    d->BeginScene();
#else
    const uint8_t* p = platform::headlessPixels();
    for (size_t i = 0; i < px.size(); ++i) px[i] = uint32_t(p[i * 4]) << 16 | p[i * 4 + 1] << 8 | p[i * 4 + 2];
#endif
    return px;
}

#ifdef _WIN32
namespace {
// Released before the program ends, as the game does: Wine may crash on exit with a
// live device, and the test would fail after passing.
struct ReleaseAtEnd : ::testing::Environment {
    void TearDown() override { platform::runExitHooks(); }
};
const ::testing::Environment* const releaseAtEnd = ::testing::AddGlobalTestEnvironment(new ReleaseAtEnd);
}  // namespace
#endif
