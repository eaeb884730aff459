// device.h — the graphics device: a 640 × 480 back buffer and the few drawing
// operations of the frame loop.
//
//   platform::Direct3D* d3d = platform::direct3DCreate(platform::SDK_VERSION);
//   platform::Device* dev = platform::createDevice(d3d, 0, platform::DEVTYPE_HAL, window,
//                                                  platform::CREATE_MIXED_VERTEXPROCESSING, &params);
//   platform::deviceClear(dev, 0, nullptr, platform::CLEAR_TARGET | platform::CLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
//   platform::deviceBeginScene(dev);
//   ... transforms, states, deviceDrawPrimitiveUP ...
//   platform::deviceEndScene(dev);
//   platform::devicePresent(dev, nullptr, nullptr, nullptr, nullptr);
//
// Geometry: positions go through world × view × projection (row vectors) into clip
// space, x and y from -1 to +1 across the back buffer (y upwards), then onto the
// 640 × 480 back buffer. Texture coordinates wrap (a triangle's coordinates are moved
// by whole periods into 0..1; a triangle spanning more than one period is clamped).
// Lighting without lights gives emissive + ambient state × material ambient; stage 0
// modulates the texture's colour by that and takes alpha from the texture.
// Depth: the clear value is accepted but there is no depth test; draws land in call
// order (the game's draws are all nearer than the cleared depth, so this is the same).
// Results: 0 on success, a negative value on failure.
#pragma once

#include <cstdint>

#include "matrix.h"
#include "sprite.h"
#include "window.h"

namespace platform {

struct Direct3D;
struct Device;

constexpr uint32_t SDK_VERSION = 32;
constexpr uint32_t DEVTYPE_HAL = 1;
constexpr uint32_t CREATE_MIXED_VERTEXPROCESSING = 0x80;

constexpr uint32_t CLEAR_TARGET = 1;
constexpr uint32_t CLEAR_ZBUFFER = 2;

constexpr uint32_t TS_VIEW = 2;
constexpr uint32_t TS_PROJECTION = 3;
constexpr uint32_t TS_WORLD = 256;

constexpr uint32_t FVF_XYZ = 0x002;
constexpr uint32_t FVF_NORMAL = 0x010;
constexpr uint32_t FVF_DIFFUSE = 0x040;
constexpr uint32_t FVF_SPECULAR = 0x080;
constexpr uint32_t FVF_TEX1 = 0x100;
constexpr uint32_t FVF_TEXCOUNT_MASK = 0xF00;

constexpr uint32_t RS_ZENABLE = 7;
constexpr uint32_t RS_SRCBLEND = 19;
constexpr uint32_t RS_DESTBLEND = 20;
constexpr uint32_t RS_CULLMODE = 22;
constexpr uint32_t RS_ALPHABLENDENABLE = 27;
constexpr uint32_t RS_LIGHTING = 137;
constexpr uint32_t RS_AMBIENT = 139;

constexpr uint32_t BLEND_ZERO = 1;
constexpr uint32_t BLEND_ONE = 2;
constexpr uint32_t BLEND_SRCALPHA = 5;
constexpr uint32_t BLEND_INVSRCALPHA = 6;

constexpr uint32_t CULL_NONE = 1;
constexpr uint32_t CULL_CW = 2;
constexpr uint32_t CULL_CCW = 3;

constexpr uint32_t PT_TRIANGLELIST = 4;
constexpr uint32_t PT_TRIANGLESTRIP = 5;
constexpr uint32_t PT_TRIANGLEFAN = 6;

constexpr int BACK_BUFFER_WIDTH = 640;
constexpr int BACK_BUFFER_HEIGHT = 480;

struct ColourValue {
    float r, g, b, a;
};

struct Material {
    ColourValue diffuse, ambient, specular, emissive;
    float power;
};

// What the game asks of presentation. The back buffer is always 640 × 480 and
// windowed; the other fields are recorded for the record's sake.
struct PresentParameters {
    uint32_t backBufferWidth;
    uint32_t backBufferHeight;
    uint32_t backBufferFormat;
    uint32_t backBufferCount;
    uint32_t multiSampleType;
    uint32_t multiSampleQuality;
    uint32_t swapEffect;
    Window* deviceWindow;
    int32_t windowed;
    int32_t enableAutoDepthStencil;
    uint32_t autoDepthStencilFormat;
    uint32_t flags;
    uint32_t fullScreenRefreshRateInHz;
    uint32_t presentationInterval;
};

// The graphics system object; only used to create the device. Never null.
Direct3D* direct3DCreate(uint32_t sdkVersion);
// The device drawing into `focusWindow`'s back buffer. Null on failure (see lastError()).
Device* createDevice(Direct3D* direct3d, uint32_t adapter, uint32_t deviceType, Window* focusWindow,
                     uint32_t behaviourFlags, const PresentParameters* params);

int deviceClear(Device* device, uint32_t rectCount, const void* rects, uint32_t flags, uint32_t colour, float z,
                uint32_t stencil);
int deviceBeginScene(Device* device);
int deviceEndScene(Device* device);
int deviceSetTransform(Device* device, uint32_t state, const Matrix* matrix);
int deviceSetFVF(Device* device, uint32_t fvf);
int deviceSetRenderState(Device* device, uint32_t state, uint32_t value);
int deviceSetMaterial(Device* device, const Material* material);
// Stage 0 only; null unbinds.
int deviceSetTexture(Device* device, uint32_t stage, Texture* texture);
// Draws `primitiveCount` primitives from vertices in user memory, laid out by the
// current vertex format with `stride` bytes per vertex.
int deviceDrawPrimitiveUP(Device* device, uint32_t primitiveType, uint32_t primitiveCount, const void* vertices,
                          uint32_t stride);
// Shows the back buffer in the window and waits for the display's refresh (or paces
// itself to 60 Hz where the display gives none). All arguments must be null.
int devicePresent(Device* device, const void* sourceRect, const void* destRect, Window* overrideWindow,
                  const void* dirtyRegion);

// Decodes a PNG image held in memory into a texture: each opaque pixel equal to
// `colourKey` (ARGB; 0 = none) becomes fully transparent, and the image is scaled
// with a smooth filter to each side's next power of two. Size, mip, usage, format,
// pool and filter arguments take the defaults whatever their value. 0 on success;
// on bad data a negative value, *out null, and lastError() says why.
int createTextureFromFileInMemoryEx(Device* device, const void* data, uint32_t length, uint32_t width, uint32_t height,
                                    uint32_t mipLevels, uint32_t usage, uint32_t format, uint32_t pool, uint32_t filter,
                                    uint32_t mipFilter, uint32_t colourKey, void* imageInfo, void* palette,
                                    Texture** out);

// The sprite batch of `device`, transform the identity. 0 on success.
int createSprite(Device* device, SpriteBatch** out);

}  // namespace platform
