// render.h — private to the SDL-drawn backends (sdl/ and headless/pixels.cpp): the frame,
// textures and sprite batch of platform.h drawn through one SDL renderer (a window's
// renderer into a render-target texture, or the software renderer into a surface).
//
// The backend makes the renderer and hands it over with renderUse(); render.cpp then
// answers beginFrame, drawBackdrop, createTexture, the texture sizes and spriteEnd.
// present() is the backend's own.
#pragma once

#include <SDL.h>

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

// Draws from now on into `renderer`'s current target.
void renderUse(SDL_Renderer* renderer);
SDL_Renderer* renderRenderer();
// Off, every call is still made but no pixel is drawn (headless frames nobody looks at).
void renderSetDrawing(bool on);

}  // namespace platform
