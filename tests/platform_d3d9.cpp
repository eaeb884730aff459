// The Windows backend's graphics on a real Direct3D 9 device (Wine's, in Xvfb): the
// device made from the game's presentation parameters, textures holding the decoded
// texels, and the sprite batch's drawing read back from the back buffer — placement
// to the pixel, tint, blending, depth order — and the device states it changes put
// back for the game's next frame.
//
// <windows.h> and <d3d9.h> come after our headers (their macros share our names).
#include <gtest/gtest.h>

#include <vector>

#include "platform/device.h"
#include "platform/image.h"
#include "platform/win32_exit.h"
#include "platform/win32_internal.h"
#include "platform/window.h"
#include "platform_png_stored.h"

// clang-format off
#include <windows.h>
#include <d3d9.h>
// clang-format on

namespace {

intptr_t quietProc(platform::Window* window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    return platform::defWindowProc(window, message, wParam, lParam);
}

// The game's presentation parameters.
const platform::PresentParameters PARAMS = {640, 480, 22, 0, 0, 0, 1, nullptr, 1, 1, 75, 0, 0, 0};

platform::Device* theDevice() {
    static platform::Device* device = [] {
        static platform::WindowClass wc{8, quietProc, platform::getModuleHandle(nullptr), "SkarvoD3D9Test"};
        platform::registerClass(&wc);
        platform::Window* w = platform::createWindow(0, "SkarvoD3D9Test", "Skarvo", 0x10CF0000, 0, 0, 640, 480, nullptr,
                                                     nullptr, wc.instance, nullptr);
        EXPECT_NE(w, nullptr) << platform::lastError();
        platform::Direct3D* d3d = platform::direct3DCreate(platform::SDK_VERSION);
        EXPECT_NE(d3d, nullptr) << platform::lastError();
        return platform::createDevice(d3d, 0, platform::DEVTYPE_HAL, w, platform::CREATE_MIXED_VERTEXPROCESSING,
                                      &PARAMS);
    }();
    return device;
}

// A PNG of w × h RGBA pixels.
std::vector<uint8_t> rgbaPng(int w, int h, const std::vector<uint8_t>& px) {
    return storedpng::encode({6, 8, w, h, px, {}, {}});
}

platform::Texture* makeTexture(const std::vector<uint8_t>& png) {
    platform::Texture* t = nullptr;
    EXPECT_EQ(platform::createTextureFromFileInMemoryEx(theDevice(), png.data(), static_cast<uint32_t>(png.size()), ~0u,
                                                        ~0u, ~0u, 0, 0, 1, ~0u, ~0u, 0xFF000000, nullptr, nullptr, &t),
              0)
        << platform::lastError();
    return t;
}

// The back buffer as 0xAARRGGBB words, rows from the top.
std::vector<uint32_t> readBack() {
    IDirect3DDevice9* d = theDevice()->d3d;
    IDirect3DSurface9 *target = nullptr, *copy = nullptr;
    std::vector<uint32_t> px(640 * 480);
    if (FAILED(d->GetRenderTarget(0, &target))) return px;
    if (SUCCEEDED(d->CreateOffscreenPlainSurface(640, 480, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM, &copy, nullptr)) &&
        SUCCEEDED(d->GetRenderTargetData(target, copy))) {
        D3DLOCKED_RECT r;
        if (SUCCEEDED(copy->LockRect(&r, nullptr, D3DLOCK_READONLY))) {
            for (int y = 0; y < 480; ++y)
                for (int x = 0; x < 640; ++x)
                    px[y * 640 + x] = static_cast<const uint32_t*>(r.pBits)[y * (r.Pitch / 4) + x] & 0xFFFFFF;
            copy->UnlockRect();
        }
    }
    if (copy) copy->Release();
    target->Release();
    return px;
}

// One frame of sprites over a cleared back buffer; returns its pixels.
template <typename Draws>
std::vector<uint32_t> spriteFrame(uint32_t clearColour, uint32_t flags, Draws draws) {
    platform::Device* dev = theDevice();
    static platform::SpriteBatch* batch = nullptr;
    if (!batch) {
        EXPECT_EQ(platform::createSprite(dev, &batch), 0);
    }
    platform::deviceClear(dev, 0, nullptr, platform::CLEAR_TARGET | platform::CLEAR_ZBUFFER, clearColour,
                          0.9999847412109375f, 0);
    platform::deviceBeginScene(dev);
    platform::spriteBegin(batch, flags);
    draws(batch);
    platform::spriteEnd(batch);
    platform::deviceEndScene(dev);
    return readBack();
}

// The device is released before the program ends, as the game does: Wine may crash on
// exit with a live device, and the test would fail after passing.
struct ReleaseAtEnd : ::testing::Environment {
    void TearDown() override {
        platform::win32RunExitHooks();
    }
};
const ::testing::Environment* const releaseAtEnd = ::testing::AddGlobalTestEnvironment(new ReleaseAtEnd);

constexpr uint32_t SORTED_BLENDED = platform::SPRITE_ALPHABLEND | platform::SPRITE_SORT_DEPTH_BACKTOFRONT;

int channel(uint32_t px, int shift) { return static_cast<int>((px >> shift) & 0xFF); }

}  // namespace

TEST(Direct3D9, TexturesHoldTheDecodedTexelsAtPowerOfTwoSizes) {
    ASSERT_NE(theDevice(), nullptr) << platform::lastError();
    std::vector<uint8_t> px;
    for (int i = 0; i < 5 * 3; ++i) px.insert(px.end(), {uint8_t(i * 16), uint8_t(255 - i), uint8_t(i * 3), 255});
    px[4 * 4 + 0] = px[4 * 4 + 1] = px[4 * 4 + 2] = 0;  // opaque black: keyed
    const std::vector<uint8_t> png = rgbaPng(5, 3, px);
    platform::Texture* t = makeTexture(png);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(platform::textureWidth(t), 8);
    EXPECT_EQ(platform::textureHeight(t), 4);
    platform::Image expected;
    ASSERT_EQ(platform::decodeImage(png.data(), png.size(), 0xFF000000, &expected), nullptr);

    D3DLOCKED_RECT r;
    ASSERT_TRUE(SUCCEEDED(t->d3d->LockRect(0, &r, nullptr, D3DLOCK_READONLY)));
    std::vector<uint8_t> texels;  // back to R G B A
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 8; ++x) {
            const uint8_t* p = static_cast<const uint8_t*>(r.pBits) + y * r.Pitch + x * 4;
            texels.insert(texels.end(), {p[2], p[1], p[0], p[3]});
        }
    t->d3d->UnlockRect(0);
    EXPECT_EQ(texels, expected.rgba);

    // Bad bytes: refused with a reason, no texture.
    platform::Texture* bad = reinterpret_cast<platform::Texture*>(1);
    const uint8_t junk[] = {0x89, 'P', 'N', 'G', 1, 2, 3};
    EXPECT_NE(platform::createTextureFromFileInMemoryEx(theDevice(), junk, sizeof junk, 0, 0, 0, 0, 0, 1, 0, 0,
                                                        0xFF000000, nullptr, nullptr, &bad),
              0);
    EXPECT_EQ(bad, nullptr);
    EXPECT_STRNE(platform::lastError(), "");
}

TEST(Direct3D9, SpritesLandOnWholePixelsTintedBlendedAndBackToFront) {
    ASSERT_NE(theDevice(), nullptr) << platform::lastError();
    // 4 × 4 texels, each a different opaque colour.
    std::vector<uint8_t> px;
    for (int i = 0; i < 16; ++i)
        px.insert(px.end(), {uint8_t(40 + i * 12), uint8_t(250 - i * 9), uint8_t(i * 15 + 5), 255});
    platform::Texture* t = makeTexture(rgbaPng(4, 4, px));
    ASSERT_NE(t, nullptr);

    // Centre (0.5, 0.5) on (100, 200): the top left corner at (99.5, 199.5), pixel
    // (100, 200)'s left and top edges (Direct3D's pixel centres are whole numbers), so
    // texel (x, y) fills pixel (100 + x, 200 + y) exactly.
    const platform::Vec3 centre{0.5f, 0.5f, 0.0f}, pos{100.0f, 200.0f, 0.0f};
    std::vector<uint32_t> frame = spriteFrame(0xFF000000, SORTED_BLENDED, [&](platform::SpriteBatch* b) {
        platform::spriteDraw(b, t, &centre, &pos, 0xFFFFFFFF);
    });
    for (int y = -1; y <= 4; ++y)
        for (int x = -1; x <= 4; ++x) {
            const bool inside = x >= 0 && x < 4 && y >= 0 && y < 4;
            const uint8_t* p = &px[(y * 4 + x) * 4];
            const uint32_t want = inside ? uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2] : 0;
            EXPECT_EQ(frame[(200 + y) * 640 + 100 + x], want) << "texel " << x << "," << y;
        }

    // Tint: the colour multiplies the texels, its alpha blends over the clear colour.
    std::vector<uint8_t> white(16 * 4, 255);
    platform::Texture* w = makeTexture(rgbaPng(4, 4, white));
    frame = spriteFrame(0xFF0000FF, SORTED_BLENDED,
                        [&](platform::SpriteBatch* b) { platform::spriteDraw(b, w, &centre, &pos, 0x80FF8000); });
    const uint32_t tinted = frame[200 * 640 + 100];
    EXPECT_NEAR(channel(tinted, 16), 128, 2);  // red 1.0 × 0.5
    EXPECT_NEAR(channel(tinted, 8), 64, 2);    // green 0.5 × 0.5
    EXPECT_NEAR(channel(tinted, 0), 127, 2);   // the blue clear × 0.5

    // Depth: drawn back to front whatever the call order; equal depths keep it.
    std::vector<uint8_t> red(16 * 4), green(16 * 4);
    for (int i = 0; i < 16; ++i) {
        red[i * 4] = 255, red[i * 4 + 3] = 255;
        green[i * 4 + 1] = 255, green[i * 4 + 3] = 255;
    }
    platform::Texture *r = makeTexture(rgbaPng(4, 4, red)), *g = makeTexture(rgbaPng(4, 4, green));
    const platform::Vec3 nearPos{100.0f, 200.0f, 0.2f}, farPos{100.0f, 200.0f, 0.8f}, same{300.0f, 100.0f, 0.5f};
    frame = spriteFrame(0xFF000000, SORTED_BLENDED, [&](platform::SpriteBatch* b) {
        platform::spriteDraw(b, r, &centre, &nearPos, 0xFFFFFFFF);
        platform::spriteDraw(b, g, &centre, &farPos, 0xFFFFFFFF);
        platform::spriteDraw(b, g, &centre, &same, 0xFFFFFFFF);
        platform::spriteDraw(b, r, &centre, &same, 0xFFFFFFFF);
    });
    EXPECT_EQ(frame[200 * 640 + 100], 0xFF0000u);  // the nearer red over the farther green
    EXPECT_EQ(frame[100 * 640 + 300], 0xFF0000u);  // equal depth: the later draw on top

    // The batch's transform: scaled by 2 about the origin, the sprite covers 8 × 8.
    platform::Matrix twice;
    platform::matrixScaling(&twice, 2.0f, 2.0f, 1.0f);
    const platform::Vec3 corner{0.0f, 0.0f, 0.0f}, at{50.0f, 60.0f, 0.0f};
    frame = spriteFrame(0xFF000000, SORTED_BLENDED, [&](platform::SpriteBatch* b) {
        platform::spriteSetTransform(b, &twice);
        platform::spriteDraw(b, r, &corner, &at, 0xFFFFFFFF);
        platform::matrixIdentity(&twice);
        platform::spriteSetTransform(b, &twice);
    });
    EXPECT_EQ(frame[120 * 640 + 100], 0xFF0000u);  // (50, 60) × 2: top left
    EXPECT_EQ(frame[127 * 640 + 107], 0xFF0000u);  // bottom right
    EXPECT_EQ(frame[128 * 640 + 108], 0u);
    EXPECT_EQ(frame[119 * 640 + 99], 0u);
}

TEST(Direct3D9, SpriteDrawingPutsBackTheGamesStates) {
    ASSERT_NE(theDevice(), nullptr) << platform::lastError();
    IDirect3DDevice9* d = theDevice()->d3d;
    std::vector<uint8_t> px(4 * 4 * 4, 200);
    platform::Texture *t = makeTexture(rgbaPng(4, 4, px)), *bound = makeTexture(rgbaPng(4, 4, px));
    // The game's frame states, and some it never sets.
    platform::Device* dev = theDevice();
    platform::deviceSetFVF(dev, platform::FVF_XYZ | platform::FVF_NORMAL | platform::FVF_TEX1);
    platform::deviceSetRenderState(dev, platform::RS_ALPHABLENDENABLE, 0);
    platform::deviceSetRenderState(dev, platform::RS_SRCBLEND, platform::BLEND_ONE);
    platform::deviceSetRenderState(dev, platform::RS_DESTBLEND, platform::BLEND_ZERO);
    platform::deviceSetRenderState(dev, platform::RS_CULLMODE, platform::CULL_CW);
    platform::deviceSetRenderState(dev, platform::RS_ZENABLE, D3DZB_TRUE);
    platform::deviceSetTexture(dev, 0, bound);
    d->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_WRAP);
    d->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);

    const platform::Vec3 centre{0.0f, 0.0f, 0.0f}, pos{10.0f, 10.0f, 0.0f};
    spriteFrame(0xFF000000, SORTED_BLENDED,
                [&](platform::SpriteBatch* b) { platform::spriteDraw(b, t, &centre, &pos, 0xFFFFFFFF); });

    DWORD v = 0;
    d->GetFVF(&v);
    EXPECT_EQ(v, DWORD(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1));
    const std::pair<D3DRENDERSTATETYPE, DWORD> states[] = {{D3DRS_ALPHABLENDENABLE, FALSE},
                                                           {D3DRS_SRCBLEND, D3DBLEND_ONE},
                                                           {D3DRS_DESTBLEND, D3DBLEND_ZERO},
                                                           {D3DRS_CULLMODE, D3DCULL_CW},
                                                           {D3DRS_ZENABLE, D3DZB_TRUE}};
    for (const auto& [state, value] : states) {
        d->GetRenderState(state, &v);
        EXPECT_EQ(v, value) << "render state " << state;
    }
    d->GetSamplerState(0, D3DSAMP_ADDRESSU, &v);
    EXPECT_EQ(v, DWORD(D3DTADDRESS_WRAP));
    d->GetTextureStageState(0, D3DTSS_ALPHAOP, &v);
    EXPECT_EQ(v, DWORD(D3DTOP_SELECTARG1));
    IDirect3DBaseTexture9* now = nullptr;
    d->GetTexture(0, &now);
    EXPECT_EQ(now, static_cast<IDirect3DBaseTexture9*>(bound->d3d));
    if (now) now->Release();
    platform::deviceSetTexture(dev, 0, nullptr);
}

TEST(Direct3D9, TheFramesBackdropQuadFillsTheBackBufferAndPresentWorks) {
    ASSERT_NE(theDevice(), nullptr) << platform::lastError();
    platform::Device* dev = theDevice();
    // A 2 × 2 texture of one colour, drawn as the game draws its backdrop: clip space,
    // identity transforms, lit by white ambient light, blended.
    std::vector<uint8_t> px;
    for (int i = 0; i < 4; ++i) px.insert(px.end(), {30, 160, 90, 255});
    platform::Texture* t = makeTexture(rgbaPng(2, 2, px));
    struct Vertex {
        float x, y, z, nx, ny, nz, u, v;
    };
    const Vertex quad[4] = {{-1, 1, 0, 0, 0, -1, 0, -1},
                            {1, 1, 0, 0, 0, -1, 1, -1},
                            {-1, -1, 0, 0, 0, -1, 0, 0},
                            {1, -1, 0, 0, 0, -1, 1, 0}};
    platform::Matrix identity, world;
    platform::matrixIdentity(&identity);
    platform::matrixIdentity(&world);
    world.m[3][2] = 0.9f;
    platform::deviceClear(dev, 0, nullptr, platform::CLEAR_TARGET | platform::CLEAR_ZBUFFER, 0xFF000000,
                          0.9999847412109375f, 0);
    platform::deviceBeginScene(dev);
    EXPECT_EQ(platform::deviceSetTransform(dev, platform::TS_VIEW, &identity), 0);
    EXPECT_EQ(platform::deviceSetTransform(dev, platform::TS_PROJECTION, &identity), 0);
    EXPECT_EQ(platform::deviceSetTransform(dev, platform::TS_WORLD, &world), 0);
    platform::deviceSetRenderState(dev, platform::RS_CULLMODE, platform::CULL_NONE);
    platform::deviceSetRenderState(dev, platform::RS_AMBIENT, 0xFFFFFFFF);
    platform::Material m{{1, 1, 1, 1}, {1, 1, 1, 1}, {1, 1, 1, 1}, {0, 0, 0, 0}, 10.0f};
    EXPECT_EQ(platform::deviceSetMaterial(dev, &m), 0);
    platform::deviceSetRenderState(dev, platform::RS_ALPHABLENDENABLE, 1);
    platform::deviceSetRenderState(dev, platform::RS_SRCBLEND, platform::BLEND_SRCALPHA);
    platform::deviceSetRenderState(dev, platform::RS_DESTBLEND, platform::BLEND_INVSRCALPHA);
    platform::deviceSetTexture(dev, 0, t);
    platform::deviceSetFVF(dev, platform::FVF_XYZ | platform::FVF_NORMAL | platform::FVF_TEX1);
    EXPECT_EQ(platform::deviceDrawPrimitiveUP(dev, platform::PT_TRIANGLESTRIP, 2, quad, sizeof(Vertex)), 0);
    platform::deviceSetTexture(dev, 0, nullptr);
    platform::deviceEndScene(dev);
    const std::vector<uint32_t> frame = readBack();
    for (int y : {0, 240, 479})
        for (int x : {0, 320, 639}) EXPECT_EQ(frame[y * 640 + x], 0x1EA05Au) << x << "," << y;
    EXPECT_EQ(platform::devicePresent(dev, nullptr, nullptr, nullptr, nullptr), 0);
    EXPECT_NE(platform::devicePresent(dev, &frame, nullptr, nullptr, nullptr), 0);  // no rectangles taken
}
