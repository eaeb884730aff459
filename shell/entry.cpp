// entry.cpp — start-up and the frame loop, step by step.
#include "entry.h"

#include <cstdio>

#include "../assets/embedded.h"
#include "../audio/sound_output.h"
#include "../platform/clock.h"
#include "../platform/window.h"
#include "game_state.h"
#include "scene.h"
#include "window_proc.h"
#include "world.h"

namespace skarvo {

using namespace platform;

const PresentParameters presentParams = {
    640,      // back buffer width
    480,      // back buffer height
    22,       // X8R8G8B8
    0,        // one back buffer
    0,        // no multisampling
    0,        //
    1,        // discard
    nullptr,  // the focus window
    1,        // windowed
    1,        // with a depth-stencil buffer
    75,       // D24S8
    0,        //
    0,        //
    0,        // the default presentation interval
};

namespace {

const char TITLE[] = "Skarvo";

// Owned by the entry routine for the whole run.
uint32_t prevMs = 0;
Message message;
SpriteBatch* sprite = nullptr;

// Start-up cannot go on without this step's result.
void require(bool ok, const char* step) {
    if (ok) return;
    std::fprintf(stderr, "skarvo: start-up failed: %s (%s)\n", step, lastError());
    exitProcess(1);
}

// The GameState field each texture of the image catalogue goes to.
Texture** textureField(assets::TextureField t) {
    using enum assets::TextureField;
    // clang-format off
    switch (t) {
        case BACKDROP:   return &game.texBackdrop;
        case BOOT:       return &game.texBoot;
        case VULTURE:    return &game.texVulture;
        case SNAKE:      return &game.texSnake;
        case TUMBLEWEED: return &game.texTumbleweed;
        case BOTTLE:     return &game.texBottle;
        case JOYSTICK:   return &game.texJoystick;
        case BANANA:     return &game.texBanana;
        case RING:       return &game.texRing;
        case PLATE:      return &game.texPlate;
        case WALK_A:     return &game.texWalkA;
        case WALK_B:     return &game.texWalkB;
        case THROW_A:    return &game.texThrowA;
        case THROW_B:    return &game.texThrowB;
        case NONE:       break;
    }
    // clang-format on
    return nullptr;
}

// Decodes the catalogue's image for texture `t` into its GameState field.
void decodeTexture(assets::TextureField t) {
    const int image = assets::imageOf(t);
    Texture** out = textureField(t);
    int result = createTextureFromFileInMemoryEx(game.device, assets::imageData(image), assets::imageLength(image),
                                                 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0, 0, 1, 0xFFFFFFFF, 0xFFFFFFFF,
                                                 0xFF000000, nullptr, nullptr, out);
    char step[48];
    std::snprintf(step, sizeof step, "decoding image %d", image);
    require(result == 0 && *out, step);
}

}  // namespace

SpriteBatch* spriteBatch() { return sprite; }

void startUp() {
    // 1-2. Music: the player with the desktop window and the embedded module, then the
    // song from order position 0; results ignored.
    audio::initPlayer(getDesktopWindow(), assets::moduleData());
    audio::startSong(0);

    // 3. The window class.
    game.windowClass.style = 8;
    game.windowClass.windowProc = windowProc;
    game.windowClass.instance = getModuleHandle(nullptr);
    game.windowClass.className = TITLE;
    require(registerClass(&game.windowClass) != 0, "registering the window class");

    // 4-5. The window, shown at the top left, 640 × 480 outer size; no cursor.
    game.window =
        createWindow(0, TITLE, TITLE, 0x10CF0000, 0, 0, 640, 480, nullptr, nullptr, game.windowClass.instance, nullptr);
    require(game.window != nullptr, "creating the window");
    showCursor(false);

    // 6-7. The graphics device.
    game.direct3d = direct3DCreate(SDK_VERSION);
    game.device =
        createDevice(game.direct3d, 0, DEVTYPE_HAL, game.window, CREATE_MIXED_VERTEXPROCESSING, &presentParams);
    require(game.device != nullptr, "creating the graphics device");

    // 8. The textures, in this order, each from its image of the catalogue.
    using enum assets::TextureField;
    for (assets::TextureField t : {BACKDROP, BOOT, VULTURE, SNAKE, TUMBLEWEED, WALK_A, WALK_B, THROW_A, THROW_B, BOTTLE,
                                   JOYSTICK, RING, PLATE, BANANA})
        decodeTexture(t);

    // 9. The sprite batch.
    require(createSprite(game.device, &sprite) == 0, "creating the sprite batch");

    // 10-11. The player: entity construction with no texture, playerReset, then the
    // reference; the targets in slot order, texture by slot modulo 4.
    static PlayerRecord player;  // lives for the whole run
    setUpPlayerAndTargets(player);

    // 12.
    prevMs = timeGetTime();
}

void runFrame() {
    // 1. The clock.
    const uint32_t now = timeGetTime();
    setFrameClock(now, prevMs);
    prevMs = now;

    // 2. At most one message of the game window.
    if (peekMessage(&message, game.window, 0, 0, PM_REMOVE)) dispatchMessage(&message);

    // 3-4.
    deviceClear(game.device, 0, nullptr, CLEAR_TARGET | CLEAR_ZBUFFER, 0xFF000000, 0.9999847412109375f, 0);
    deviceBeginScene(game.device);

    // 5. Identity view, projection and world: positions are clip space.
    Matrix identity;
    matrixIdentity(&identity);
    deviceSetTransform(game.device, TS_VIEW, &identity);
    deviceSetTransform(game.device, TS_PROJECTION, &identity);
    deviceSetTransform(game.device, TS_WORLD, &identity);

    // 6-9. Vertex format, render states, material, blending.
    deviceSetFVF(game.device, FVF_XYZ | FVF_NORMAL);
    deviceSetRenderState(game.device, RS_CULLMODE, CULL_NONE);
    deviceSetRenderState(game.device, RS_AMBIENT, 0xFFFFFFFF);
    Material material{};
    material.diffuse = {1.0f, 1.0f, 1.0f, 1.0f};
    material.ambient = {1.0f, 1.0f, 1.0f, 1.0f};
    material.specular = {1.0f, 1.0f, 1.0f, 1.0f};
    material.emissive = {0.0f, 0.0f, 0.0f, 0.0f};
    material.power = 10.0f;
    deviceSetMaterial(game.device, &material);
    deviceSetRenderState(game.device, RS_ALPHABLENDENABLE, 1);
    deviceSetRenderState(game.device, RS_SRCBLEND, BLEND_SRCALPHA);
    deviceSetRenderState(game.device, RS_DESTBLEND, BLEND_INVSRCALPHA);

    // 10. The backdrop.
    setWorldTransform(0.0f, 0.0f, 0.9f, 1.0f, 1.0f, 1.0f, 0.0f);
    setBackdropTexCoords(1.0f, -1.0f);
    deviceSetTexture(game.device, 0, game.texBackdrop);
    deviceSetFVF(game.device, BACKDROP_FVF);
    deviceDrawPrimitiveUP(game.device, PT_TRIANGLESTRIP, 2, backdropQuad, sizeof(BackdropVertex));
    deviceSetTexture(game.device, 0, nullptr);

    // 11. Updates with this frame's clockMs and frameMs: player, shots, targets.
    updateEntities();

    // 12-14. The sprite batch: alpha-blended, drawn back to front by depth; targets,
    // player, shots.
    drawEntities(sprite);

    // 15.
    deviceEndScene(game.device);
    devicePresent(game.device, nullptr, nullptr, nullptr, nullptr);
}

}  // namespace skarvo
