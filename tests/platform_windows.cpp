// The Windows backend on a real (Wine) desktop and Direct3D 9 device: the window as the
// game opens it; native key, focus and close messages as the seam's events; F11 and
// Alt+Enter; and frames read back from the device's back buffer — the backdrop, the
// sprite batch's texels to the pixel with colour key, tint, blending, depth order and
// transform — and the device states the batch puts back. One window per process, as in
// the game.
#include <gtest/gtest.h>

#include <ostream>
#include <vector>

#include "platform/letterbox.h"
#include "platform/windows/backend.h"
#include "platform_png_stored.h"

// After backend.h: needs <windows.h> first.
#include <d3d9.h>

namespace platform {
bool operator==(const Event& a, const Event& b) {
    return a.type == b.type && (a.type == EventType::CLOSE || (a.key == b.key && a.repeat == b.repeat));
}
void PrintTo(const Event& e, std::ostream* os) {
    *os << "{type " << int(e.type) << ", key " << int(e.key) << (e.repeat ? ", repeat}" : "}");
}
}  // namespace platform

namespace {

using platform::Event;
using platform::EventType;
using platform::Key;

constexpr LPARAM REPEAT = 1 << 30, ALT = 1 << 29;
constexpr LPARAM UP_BITS = static_cast<LPARAM>(0xC0000001u);  // repeat 1, was down, going up
constexpr float DEPTH = 0.9999847412109375f;                  // the game's cleared depth

Event down(Key k, bool repeat = false) { return Event{EventType::KEY_DOWN, k, repeat}; }
Event up(Key k) { return Event{EventType::KEY_UP, k, false}; }

// The window and device the game opens, made once.
bool ready() {
    static const bool opened = platform::openWindow("Skarvo", 640, 480) && platform::openDevice();
    return opened;
}

HWND hwnd() { return platform::windowHandle(); }

struct Posted {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

// Posts the messages (WM_QUIT to the thread, as PostQuitMessage does), then takes every
// event they give, one pollEvent at a time.
std::vector<Event> events(const std::vector<Posted>& posted = {}) {
    for (const Posted& p : posted)
        p.message == WM_QUIT ? PostQuitMessage(0) : void(PostMessageA(hwnd(), p.message, p.wParam, p.lParam));
    std::vector<Event> got;
    Event e;
    for (int calls = 0; calls < 200; ++calls)
        if (platform::pollEvent(&e)) got.push_back(e);
    return got;
}

// No key held, nothing waiting.
void reset() {
    SendMessageA(hwnd(), WM_KILLFOCUS, 0, 0);
    events();
}

platform::Texture* texture(int w, int h, const std::vector<uint8_t>& rgba) {
    const std::vector<uint8_t> png = storedpng::encode({6, w, h, rgba, {}, {}});
    platform::Texture* t = platform::createTexture(png.data(), uint32_t(png.size()), platform::COLOUR_KEY_BLACK);
    EXPECT_NE(t, nullptr) << platform::lastError();
    return t;
}

platform::Texture* solid(uint8_t r, uint8_t g, uint8_t b) {
    std::vector<uint8_t> px;
    for (int i = 0; i < 16; ++i) px.insert(px.end(), {r, g, b, 255});
    return texture(4, 4, px);
}

// The back buffer as 0xRRGGBB words, rows from the top.
std::vector<uint32_t> readBack() {
    IDirect3DDevice9* d = platform::d3d9Device();
    IDirect3DSurface9 *target = nullptr, *copy = nullptr;
    std::vector<uint32_t> px(640 * 480);
    if (FAILED(d->GetRenderTarget(0, &target))) return px;
    D3DLOCKED_RECT r;
    if (SUCCEEDED(d->CreateOffscreenPlainSurface(640, 480, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM, &copy, nullptr)) &&
        SUCCEEDED(d->GetRenderTargetData(target, copy)) && SUCCEEDED(copy->LockRect(&r, nullptr, D3DLOCK_READONLY))) {
        for (int y = 0; y < 480; ++y)
            for (int x = 0; x < 640; ++x)
                px[y * 640 + x] = static_cast<const uint32_t*>(r.pBits)[y * (r.Pitch / 4) + x] & 0xFFFFFF;
        copy->UnlockRect();
    }
    if (copy) copy->Release();
    target->Release();
    return px;
}

// One frame as the game makes it, `draw` between its beginning and present; its pixels.
template <typename Draw>
std::vector<uint32_t> frame(uint32_t clearColour, Draw draw) {
    platform::beginFrame(clearColour, DEPTH);
    draw();
    platform::d3d9Device()->EndScene();
    std::vector<uint32_t> pixels = readBack();
    platform::d3d9Device()->BeginScene();
    platform::present();
    return pixels;
}

platform::SpriteBatch* batch() {
    static platform::SpriteBatch* made = platform::createSpriteBatch();
    return made;
}

// A frame of one sprite batch.
template <typename Draws>
std::vector<uint32_t> spriteFrame(uint32_t clearColour, Draws draws) {
    return frame(clearColour, [&] {
        platform::spriteBegin(batch());
        draws(batch());
        platform::spriteEnd(batch());
    });
}

// Released before the program ends, as the game does: Wine may crash on exit with a
// live device, and the test would fail after passing.
struct ReleaseAtEnd : ::testing::Environment {
    void TearDown() override { platform::runExitHooks(); }
};
const ::testing::Environment* const releaseAtEnd = ::testing::AddGlobalTestEnvironment(new ReleaseAtEnd);

int channel(uint32_t px, int shift) { return static_cast<int>((px >> shift) & 0xFF); }

std::vector<long> corners(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

}  // namespace

TEST(WindowsWindow, CaptionedAtTheTopLeftWithTheOuterSizeAskedCursorHidden) {
    ASSERT_TRUE(ready()) << platform::lastError();
    char caption[32] = "";
    GetWindowTextA(hwnd(), caption, sizeof caption);
    EXPECT_STREQ(caption, "Skarvo");
    RECT r;
    ASSERT_TRUE(GetWindowRect(hwnd(), &r));
    EXPECT_EQ(corners(r), std::vector<long>({0, 0, 640, 480}));
    EXPECT_TRUE(IsWindowVisible(hwnd()));
    EXPECT_TRUE(GetWindowLongA(hwnd(), GWL_STYLE) & WS_CAPTION);
    EXPECT_EQ(ShowCursor(TRUE), 0) << "the cursor was not hidden";
    ShowCursor(FALSE);
}

TEST(WindowsWindow, NativeMessagesBecomeTheGamesEvents) {
    ASSERT_TRUE(ready()) << platform::lastError();
    reset();
    const struct {
        const char* name;
        std::vector<Posted> posted;
        std::vector<Event> expected;
    } cases[] = {
        {"the game's keys",
         {{WM_KEYDOWN, VK_LEFT, 1},
          {WM_KEYDOWN, VK_RIGHT, 1},
          {WM_KEYDOWN, VK_UP, 1},
          {WM_KEYDOWN, VK_DOWN, 1},
          {WM_KEYDOWN, VK_SPACE, 1},
          {WM_KEYUP, VK_SPACE, UP_BITS},
          {WM_KEYDOWN, VK_ESCAPE, 1}},
         {down(Key::LEFT), down(Key::RIGHT), down(Key::UP), down(Key::DOWN), down(Key::SPACE), up(Key::SPACE),
          down(Key::ESCAPE)}},
        {"auto-repeat", {{WM_KEYDOWN, VK_SPACE, 1 | REPEAT}}, {down(Key::SPACE, true)}},
        {"other keys", {{WM_KEYDOWN, 'A', 1}, {WM_KEYUP, VK_RETURN, UP_BITS}}, {}},
        {"Alt+key is the system's; a key let go under Alt is let go",
         {{WM_SYSKEYDOWN, VK_LEFT, 1 | ALT}, {WM_SYSKEYUP, VK_LEFT, UP_BITS | ALT}},
         {up(Key::LEFT)}},
        {"close", {{WM_CLOSE, 0, 0}}, {Event{EventType::CLOSE, Key::ESCAPE, false}}},
        {"quit", {{WM_QUIT, 0, 0}}, {Event{EventType::CLOSE, Key::ESCAPE, false}}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(events(c.posted), c.expected) << c.name;
        reset();
    }
    // The close message is the game's to act on: the default procedure would destroy the window.
    EXPECT_TRUE(IsWindow(hwnd()));
}

// The game takes at most one event a frame; the others wait in Windows' queue.
TEST(WindowsWindow, OneNativeMessageAPoll) {
    ASSERT_TRUE(ready()) << platform::lastError();
    reset();
    PostMessageA(hwnd(), WM_KEYDOWN, VK_RIGHT, 1);
    PostMessageA(hwnd(), WM_KEYDOWN, VK_LEFT, 1);
    Event e;
    ASSERT_TRUE(platform::pollEvent(&e));
    EXPECT_EQ(e, down(Key::RIGHT));
    MSG waiting;
    EXPECT_TRUE(PeekMessageA(&waiting, hwnd(), WM_KEYDOWN, WM_KEYDOWN, PM_NOREMOVE)) << "the second key was taken too";
    EXPECT_EQ(events(), std::vector<Event>({down(Key::LEFT)}));
}

TEST(WindowsWindow, FocusLossLetsGoOfTheKeysStillHeld) {
    ASSERT_TRUE(ready()) << platform::lastError();
    reset();
    events(
        {{WM_KEYDOWN, VK_RIGHT, 1}, {WM_KEYDOWN, VK_SPACE, 1}, {WM_KEYDOWN, VK_UP, 1}, {WM_KEYUP, VK_SPACE, UP_BITS}});
    SendMessageA(hwnd(), WM_KILLFOCUS, 0, 0);
    EXPECT_EQ(events(), std::vector<Event>({up(Key::RIGHT), up(Key::UP)}));
    SendMessageA(hwnd(), WM_KILLFOCUS, 0, 0);
    EXPECT_TRUE(events().empty()) << "nothing is held any more";
}

TEST(WindowsWindow, F11AndAltEnterSwitchFullscreenAndBackUnseenByTheGame) {
    ASSERT_TRUE(ready()) << platform::lastError();
    reset();
    RECT before, r, client, place;
    GetWindowRect(hwnd(), &before);
    const int screenW = GetSystemMetrics(SM_CXSCREEN), screenH = GetSystemMetrics(SM_CYSCREEN);

    // Held, F11 switches once.
    EXPECT_TRUE(
        events({{WM_KEYDOWN, VK_F11, 1}, {WM_KEYDOWN, VK_F11, 1 | REPEAT}, {WM_KEYUP, VK_F11, UP_BITS}}).empty());
    EXPECT_TRUE(platform::isFullscreen());
    GetWindowRect(hwnd(), &r);
    EXPECT_EQ(corners(r), std::vector<long>({0, 0, screenW, screenH}));
    EXPECT_FALSE(GetWindowLongA(hwnd(), GWL_STYLE) & WS_CAPTION);
    // The back buffer goes letterboxed 4:3 into the whole screen.
    GetClientRect(hwnd(), &client);
    EXPECT_EQ(client.right, screenW);
    const platform::ViewRect view = platform::letterbox(client.right, client.bottom);
    ASSERT_TRUE(platform::presentRect(&place));
    EXPECT_EQ(corners(place), std::vector<long>({view.x, view.y, view.x + view.w, view.y + view.h}));

    // Alt+Enter: back to the window as it was, caption and all.
    EXPECT_TRUE(events({{WM_SYSKEYDOWN, VK_RETURN, 1 | ALT}, {WM_SYSKEYUP, VK_RETURN, UP_BITS | ALT}}).empty());
    EXPECT_FALSE(platform::isFullscreen());
    GetWindowRect(hwnd(), &r);
    EXPECT_EQ(corners(r), corners(before));
    EXPECT_TRUE(GetWindowLongA(hwnd(), GWL_STYLE) & WS_CAPTION);
    // Return without Alt switches nothing.
    events({{WM_KEYDOWN, VK_RETURN, 1}});
    EXPECT_FALSE(platform::isFullscreen());
}

// The backdrop as the game draws it: clip space through a world transform at depth 0.9,
// lit fully, v from -1 to 0 showing the image once and upright.
TEST(WindowsDevice, TheBackdropFillsTheBackBufferUpright) {
    ASSERT_TRUE(ready()) << platform::lastError();
    // 4 × 4 texels, a colour per quadrant.
    const uint32_t quadrant[4] = {0xC81E1E, 0x1EC81E, 0x1E1EC8, 0xC8C81E};
    std::vector<uint8_t> px;
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) {
            const uint32_t c = quadrant[(y / 2) * 2 + x / 2];
            px.insert(px.end(), {uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c), 255});
        }
    platform::Texture* t = texture(4, 4, px);
    const platform::QuadVertex quad[4] = {{-1, 1, 0, 0, 0, -1, 0, -1},
                                          {1, 1, 0, 0, 0, -1, 1, -1},
                                          {-1, -1, 0, 0, 0, -1, 0, 0},
                                          {1, -1, 0, 0, 0, -1, 1, 0}};
    math::Matrix world;
    math::matrixIdentity(&world);
    world.m[3][2] = 0.9f;
    const std::vector<uint32_t> pixels = frame(0xFF000000, [&] { platform::drawBackdrop(t, world, quad); });
    // Each probe samples between two texels of one quadrant.
    const int probes[4][2] = {{160, 120}, {480, 120}, {160, 360}, {480, 360}};
    for (int q = 0; q < 4; ++q)
        EXPECT_EQ(pixels[probes[q][1] * 640 + probes[q][0]], quadrant[q]) << probes[q][0] << "," << probes[q][1];
}

TEST(WindowsDevice, SpritesLandOnWholePixelsKeyedTintedBlendedAndBackToFront) {
    ASSERT_TRUE(ready()) << platform::lastError();
    // 4 × 4 texels, each a different opaque colour but texel (2, 1), opaque black: keyed.
    std::vector<uint8_t> px;
    for (int i = 0; i < 16; ++i)
        px.insert(px.end(), {uint8_t(40 + i * 12), uint8_t(250 - i * 9), uint8_t(i * 15 + 5), 255});
    px[6 * 4] = px[6 * 4 + 1] = px[6 * 4 + 2] = 0;
    platform::Texture* t = texture(4, 4, px);
    ASSERT_NE(t, nullptr);

    // Centre (0.5, 0.5) on (100, 200): the top left corner at (99.5, 199.5), pixel
    // (100, 200)'s left and top edges (Direct3D's pixel centres are whole numbers), so
    // texel (x, y) fills pixel (100 + x, 200 + y) exactly.
    const uint32_t clear = 0x203040;
    const math::Vec3 centre{0.5f, 0.5f, 0.0f}, pos{100.0f, 200.0f, 0.0f};
    std::vector<uint32_t> pixels = spriteFrame(
        0xFF000000 | clear, [&](platform::SpriteBatch* b) { platform::spriteDraw(b, t, centre, pos, 0xFFFFFFFF); });
    for (int y = -1; y <= 4; ++y)
        for (int x = -1; x <= 4; ++x) {
            const bool inside = x >= 0 && x < 4 && y >= 0 && y < 4 && !(x == 2 && y == 1);
            const uint8_t* p = &px[(y * 4 + x) * 4];
            const uint32_t want = inside ? uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2] : clear;
            EXPECT_EQ(pixels[(200 + y) * 640 + 100 + x], want) << "texel " << x << "," << y;
        }

    // Tint: the colour multiplies the texels, its alpha blends over the clear colour.
    platform::Texture* white = solid(255, 255, 255);
    pixels = spriteFrame(0xFF0000FF,
                         [&](platform::SpriteBatch* b) { platform::spriteDraw(b, white, centre, pos, 0x80FF8000); });
    const uint32_t tinted = pixels[200 * 640 + 100];
    EXPECT_NEAR(channel(tinted, 16), 128, 2);  // red 1.0 × 0.5
    EXPECT_NEAR(channel(tinted, 8), 64, 2);    // green 0.5 × 0.5
    EXPECT_NEAR(channel(tinted, 0), 127, 2);   // the blue clear × 0.5

    // Depth: drawn back to front whatever the call order; equal depths keep it.
    platform::Texture *red = solid(255, 0, 0), *green = solid(0, 255, 0);
    const math::Vec3 nearPos{100.0f, 200.0f, 0.2f}, farPos{100.0f, 200.0f, 0.8f}, same{300.0f, 100.0f, 0.5f};
    pixels = spriteFrame(0xFF000000, [&](platform::SpriteBatch* b) {
        platform::spriteDraw(b, red, centre, nearPos, 0xFFFFFFFF);
        platform::spriteDraw(b, green, centre, farPos, 0xFFFFFFFF);
        platform::spriteDraw(b, green, centre, same, 0xFFFFFFFF);
        platform::spriteDraw(b, red, centre, same, 0xFFFFFFFF);
    });
    EXPECT_EQ(pixels[200 * 640 + 100], 0xFF0000u);  // the nearer red over the farther green
    EXPECT_EQ(pixels[100 * 640 + 300], 0xFF0000u);  // equal depth: the later draw on top

    // The transform current at the draw: scaled by 2 about the origin, the sprite covers 8 × 8.
    math::Matrix twice, identity;
    math::matrixScaling(&twice, 2.0f, 2.0f, 1.0f);
    math::matrixIdentity(&identity);
    pixels = spriteFrame(0xFF000000, [&](platform::SpriteBatch* b) {
        platform::spriteSetTransform(b, twice);
        platform::spriteDraw(b, red, math::Vec3{0, 0, 0}, math::Vec3{50, 60, 0}, 0xFFFFFFFF);
        platform::spriteSetTransform(b, identity);
    });
    EXPECT_EQ(pixels[120 * 640 + 100], 0xFF0000u);  // (50, 60) × 2: top left
    EXPECT_EQ(pixels[127 * 640 + 107], 0xFF0000u);  // bottom right
    EXPECT_EQ(pixels[128 * 640 + 108], 0u);
    EXPECT_EQ(pixels[119 * 640 + 99], 0u);

    const uint8_t junk[] = {0x89, 'P', 'N', 'G', 1, 2, 3};
    EXPECT_EQ(platform::createTexture(junk, sizeof junk, platform::COLOUR_KEY_BLACK), nullptr);
    EXPECT_STRNE(platform::lastError(), "");
}

// The batch changes the device's states for its quads; the game's own (set by
// beginFrame) and the texture bound must be what the next draw finds.
TEST(WindowsDevice, TheSpriteBatchPutsBackTheDevicesStates) {
    ASSERT_TRUE(ready()) << platform::lastError();
    IDirect3DDevice9* d = platform::d3d9Device();
    platform::Texture *t = solid(200, 200, 200), *bound = solid(100, 100, 100);
    frame(0xFF000000, [&] {
        // States the game leaves at Direct3D's defaults, which the batch sets otherwise: the
        // depth test, wrap addressing (the backdrop's v runs from -1 to 0), the texture's alpha.
        d->SetTexture(0, bound->d3d);
        d->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
        d->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_WRAP);
        d->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
        platform::spriteBegin(batch());
        platform::spriteDraw(batch(), t, math::Vec3{0, 0, 0}, math::Vec3{10, 10, 0}, 0xFFFFFFFF);
        platform::spriteEnd(batch());

        DWORD v = 0;
        d->GetFVF(&v);
        EXPECT_EQ(v, DWORD(D3DFVF_XYZ | D3DFVF_NORMAL));
        const std::pair<D3DRENDERSTATETYPE, DWORD> states[] = {{D3DRS_ALPHABLENDENABLE, TRUE},
                                                               {D3DRS_SRCBLEND, D3DBLEND_SRCALPHA},
                                                               {D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA},
                                                               {D3DRS_CULLMODE, D3DCULL_NONE},
                                                               {D3DRS_ZENABLE, D3DZB_TRUE},
                                                               {D3DRS_AMBIENT, 0xFFFFFFFF}};
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
        d->SetTexture(0, nullptr);
    });
}
