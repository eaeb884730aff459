// entry.cpp — start-up and the frame loop, step by step.
#include "shell/entry.h"

#include <cstdio>

#include "assets/embedded.h"
#include "audio/sound_output.h"
#include "gameplay/game_state.h"
#include "shell/scene.h"
#include "shell/window_proc.h"
#include "shell/world.h"

namespace skarvo {

namespace {

// Owned by the entry routine for the whole run.
uint32_t prevMs = 0;
platform::SpriteBatch* sprite = nullptr;

// Start-up cannot go on without this step's result.
void require(bool ok, const char* step) {
    if (ok) return;
    std::fprintf(stderr, "skarvo: start-up failed: %s (%s)\n", step, platform::lastError());
    platform::exitProcess(1);
}

}  // namespace

platform::SpriteBatch* spriteBatch() { return sprite; }

void startUp() {
    // The music first, before the window exists; without a sound device the game is silent.
    audio::initPlayer(assets::moduleData());
    audio::startSong(0);

    // The window: 640 × 480, captioned, at the top left, no cursor.
    require(platform::openWindow("Skarvo", platform::BACK_BUFFER_WIDTH, platform::BACK_BUFFER_HEIGHT),
            "creating the window");
    require(platform::openDevice(), "creating the graphics device");

    // The textures, in the catalogue's decode order, each from its image.
    for (assets::TextureField t : assets::DECODE_ORDER) {
        const int image = assets::imageOf(t);
        game.textures[t] =
            platform::createTexture(assets::imageData(image), assets::imageLength(image), platform::COLOUR_KEY_BLACK);
        char step[48];
        std::snprintf(step, sizeof step, "decoding image %d", image);
        require(game.textures[t] != nullptr, step);
    }

    sprite = platform::createSpriteBatch();

    // The player, then the targets in slot order; the reference is set before the
    // first event can reach the window procedure, which throws with it.
    static PlayerRecord player;  // lives for the whole run
    setUpPlayerAndTargets(player);

    prevMs = platform::clockMs();
}

void runFrame() {
    const uint32_t now = platform::clockMs();
    setFrameClock(now, prevMs);
    prevMs = now;

    // At most one event; its throw comes before this frame's updates.
    platform::Event event;
    if (platform::pollEvent(&event)) windowProc(event);

    // Cleared to opaque black, depth just below 1 (0x3F7FFF00).
    platform::beginFrame(0xFF000000, 0.9999847412109375f);

    // The backdrop at depth 0.9, upright, filling the back buffer once.
    setWorldTransform(0.0f, 0.0f, 0.9f, 1.0f, 1.0f, 1.0f, 0.0f);
    setBackdropTexCoords(1.0f, -1.0f);
    platform::drawBackdrop(game.textures[assets::BACKDROP], worldTransform, backdropQuad);

    // Player, shots, targets; then one batch back to front: targets, player, shots.
    updateEntities();
    drawEntities(sprite);

    platform::present();
}

}  // namespace skarvo
