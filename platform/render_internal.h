// render_internal.h — private to platform/: the device, texture and sprite-batch
// records behind the opaque handles, shared by both backends, which all draw through
// an SDL renderer (a window's renderer into a render-target texture, or the software
// renderer into a surface).
//
// A backend makes the renderer and calls renderMakeDevice(); render.cpp implements
// clearing, drawing, textures and spriteEnd, device_state.cpp and sprite_batch.cpp the
// rest but present, which each backend owns. backend_common.cpp answers the
// window-class and Direct3D calls.
#pragma once

#include <SDL.h>

#include "backend_internal.h"

namespace platform {

// The SDL texture carries one extra column and row repeating the last ones: SDL's
// software renderer maps texture coordinate 1 onto the last texel's left edge instead
// of past its right edge, so with the padding both renderers sample texel-exact when
// coordinates are divided by uDivisor/vDivisor (texels per unit of coordinate).
struct Texture {
    SDL_Texture* sdl;
    int width, height;         // the texture as the game sees it
    float uDivisor, vDivisor;  // width/height for the software renderer, +1 for the others
};

struct Device {
    DeviceState state;
    SDL_Renderer* renderer;
    SDL_Texture* backBuffer;  // the render target, or null when the renderer draws into the back buffer itself
    bool softwareRenderer;    // see Texture
    bool drawPixels;          // false: calls are checked and logged, the renderer is not touched
};

// Fills `device` with the default state for `renderer` (and its render target).
void renderMakeDevice(Device* device, SDL_Renderer* renderer, SDL_Texture* backBuffer);
// One sprite's quad as SDL vertices: the texel `centre` on `position`, the batch
// transform applied, half a pixel added (SDL puts pixel centres at +0.5), tinted.
void spriteQuad(const SpriteDrawRecord& draw, SDL_Vertex out[4]);

}  // namespace platform
