// headless_log.cpp — the headless backend where there is no SDL and no PNG library
// (the Windows build of the tools and tests): the same window, messages, clock, device
// state, sprite batch and draw log as headless_backend.cpp, but nothing is drawn.
//
// Textures keep only their size, read from the PNG header and rounded up to powers of
// two as the decoder would; their pixels are never decoded. The back buffer stays
// black, headlessSetDrawing() changes nothing and the PNG calls fail, so skarvo-sim's
// frame state and the draw log are the same as on Linux while its screenshots are not
// available.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "clock.h"
#include "device.h"
#include "headless.h"
#include "image.h"
#include "input.h"

namespace platform {

struct Window {
    WindowClass windowClass;
};

struct Direct3D {
    int unused;
};

struct Texture {
    int width, height;
};

constexpr int MAX_SPRITES_PER_BATCH = 4096;  // further draws of one batch are dropped, as on Linux
constexpr int MAX_RENDER_STATE = 256;

struct SpriteBatch {
    Device* device;
    Matrix transform;
    uint32_t flags;
    int count;
    SpriteDrawRecord draws[MAX_SPRITES_PER_BATCH];
};

struct Device {
    Matrix world, view, projection;
    uint32_t fvf;
    uint32_t renderStates[MAX_RENDER_STATE];
    Material material;
    Texture* texture0;
};

namespace {

char errorText[256] = "";

WindowClass registered{};
bool haveClass = false;
Direct3D theDirect3D{};

Window theWindow{};
bool haveWindow = false;
int cursorCount = 0;
uint32_t clockMs = 0;
InputState input{};
void (*exitHandler)(int) = nullptr;

Device theDevice{};
bool haveDevice = false;
SpriteBatch* lastBatch = nullptr;
uint8_t pixels[BACK_BUFFER_WIDTH * BACK_BUFFER_HEIGHT * 4];

void setLastError(const char* what, const char* detail) {
    std::snprintf(errorText, sizeof errorText, "%s: %s", what, detail);
}

uint32_t bigEndian32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 | static_cast<uint32_t>(p[2]) << 8 |
           p[3];
}

}  // namespace

const char* lastError() { return errorText; }

int nextPowerOfTwo(int n) {
    int p = 1;
    while (p < n) p *= 2;
    return p;
}

// --- window and messages ---

Window* getDesktopWindow() { return nullptr; }

void* getModuleHandle(const char*) {
    static int module;
    return &module;
}

uint16_t registerClass(const WindowClass* windowClass) {
    if (!windowClass || !windowClass->windowProc || !windowClass->className) return 0;
    registered = *windowClass;
    haveClass = true;
    return 1;
}

Window* createWindow(uint32_t, const char* className, const char*, uint32_t, int, int, int, int, Window*, void*, void*,
                     void*) {
    if (!haveClass || !className || std::strcmp(className, registered.className) != 0) {
        setLastError("window creation", "class not registered");
        return nullptr;
    }
    theWindow.windowClass = registered;
    haveWindow = true;
    return &theWindow;
}

int showCursor(bool show) { return show ? ++cursorCount : --cursorCount; }

bool peekMessage(Message* msg, Window*, uint32_t filterMin, uint32_t filterMax, uint32_t) {
    if (!inputNext(&input, clockMs, filterMin, filterMax, msg)) return false;
    msg->window = haveWindow ? &theWindow : nullptr;
    return true;
}

intptr_t dispatchMessage(const Message* msg) {
    if (!msg || !msg->window || !msg->window->windowClass.windowProc) return 0;
    return msg->window->windowClass.windowProc(msg->window, msg->message, msg->wParam, msg->lParam);
}

intptr_t defWindowProc(Window*, uint32_t, uintptr_t, intptr_t) { return 0; }

void exitProcess(int code) {
    if (exitHandler) exitHandler(code);
    std::fflush(nullptr);
    std::_Exit(code);
}

uint32_t timeGetTime() { return clockMs; }

// --- device: state only ---

Direct3D* direct3DCreate(uint32_t) { return &theDirect3D; }

Device* createDevice(Direct3D* direct3d, uint32_t, uint32_t, Window* focusWindow, uint32_t, const PresentParameters*) {
    if (!direct3d || !focusWindow) {
        setLastError("device creation", "no window");
        return nullptr;
    }
    if (haveDevice) return &theDevice;
    matrixIdentity(&theDevice.world);
    matrixIdentity(&theDevice.view);
    matrixIdentity(&theDevice.projection);
    theDevice.renderStates[RS_ZENABLE] = 1;
    theDevice.renderStates[RS_SRCBLEND] = BLEND_ONE;
    theDevice.renderStates[RS_DESTBLEND] = BLEND_ZERO;
    theDevice.renderStates[RS_CULLMODE] = CULL_CCW;
    theDevice.renderStates[RS_LIGHTING] = 1;
    haveDevice = true;
    return &theDevice;
}

int deviceClear(Device* device, uint32_t rectCount, const void* rects, uint32_t, uint32_t, float, uint32_t) {
    return !device || (rectCount != 0 && !rects) ? -1 : 0;
}

int deviceBeginScene(Device* device) { return device ? 0 : -1; }
int deviceEndScene(Device* device) { return device ? 0 : -1; }

int deviceSetTransform(Device* device, uint32_t state, const Matrix* matrix) {
    if (!device || !matrix) return -1;
    Matrix* target = state == TS_WORLD        ? &device->world
                     : state == TS_VIEW       ? &device->view
                     : state == TS_PROJECTION ? &device->projection
                                              : nullptr;
    if (!target) return -1;
    *target = *matrix;
    return 0;
}

int deviceSetFVF(Device* device, uint32_t fvf) {
    if (!device) return -1;
    device->fvf = fvf;
    return 0;
}

int deviceSetRenderState(Device* device, uint32_t state, uint32_t value) {
    if (!device || state >= MAX_RENDER_STATE) return -1;
    device->renderStates[state] = value;
    return 0;
}

int deviceSetMaterial(Device* device, const Material* material) {
    if (!device || !material) return -1;
    device->material = *material;
    return 0;
}

int deviceSetTexture(Device* device, uint32_t stage, Texture* texture) {
    if (!device || stage != 0) return -1;
    device->texture0 = texture;
    return 0;
}

int deviceDrawPrimitiveUP(Device* device, uint32_t, uint32_t, const void* vertices, uint32_t stride) {
    return !device || !vertices || stride == 0 ? -1 : 0;
}

int devicePresent(Device* device, const void*, const void*, Window*, const void*) { return device ? 0 : -1; }

// --- textures: size only ---

int createTextureFromFileInMemoryEx(Device* device, const void* data, uint32_t length, uint32_t, uint32_t, uint32_t,
                                    uint32_t, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t, void*, void*,
                                    Texture** out) {
    if (!out) return -1;
    *out = nullptr;
    if (!device) {
        setLastError("texture decode", "no device");
        return -1;
    }
    // Signature, then the IHDR chunk: length, type, width, height.
    static const uint8_t SIGNATURE[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    const uint8_t* p = static_cast<const uint8_t*>(data);
    if (!p || length < 24 || std::memcmp(p, SIGNATURE, 8) != 0 || std::memcmp(p + 12, "IHDR", 4) != 0) {
        setLastError("texture decode", "not a PNG image");
        return -1;
    }
    const uint32_t w = bigEndian32(p + 16), h = bigEndian32(p + 20);
    if (w == 0 || h == 0 || w > MAX_IMAGE_SIDE || h > MAX_IMAGE_SIDE) {
        setLastError("texture decode", "image size out of range");
        return -1;
    }
    *out = new Texture{nextPowerOfTwo(static_cast<int>(w)), nextPowerOfTwo(static_cast<int>(h))};
    return 0;
}

int textureWidth(const Texture* texture) { return texture ? texture->width : 0; }
int textureHeight(const Texture* texture) { return texture ? texture->height : 0; }

// --- sprite batch: the draw log ---

int createSprite(Device* device, SpriteBatch** out) {
    if (!out) return -1;
    *out = nullptr;
    if (!device) return -1;
    SpriteBatch* batch = new SpriteBatch;
    batch->device = device;
    matrixIdentity(&batch->transform);
    batch->flags = 0;
    batch->count = 0;
    *out = batch;
    return 0;
}

void spriteBegin(SpriteBatch* batch, uint32_t flags) {
    if (!batch) return;
    batch->flags = flags;
    batch->count = 0;
    lastBatch = batch;
}

void spriteDraw(SpriteBatch* batch, Texture* texture, const Vec3* centre, const Vec3* position, uint32_t colour) {
    if (!batch || !texture || batch->count >= MAX_SPRITES_PER_BATCH) return;
    SpriteDrawRecord& d = batch->draws[batch->count++];
    d.texture = texture;
    d.centre = centre ? *centre : Vec3{0.0f, 0.0f, 0.0f};
    d.position = position ? *position : Vec3{0.0f, 0.0f, 0.0f};
    d.colour = colour;
    d.transform = batch->transform;
}

void spriteGetTransform(SpriteBatch* batch, Matrix* out) {
    if (batch && out) *out = batch->transform;
}

void spriteSetTransform(SpriteBatch* batch, const Matrix* transform) {
    if (batch && transform) batch->transform = *transform;
}

void spriteEnd(SpriteBatch*) {}

// --- headless controls ---

void headlessSetClock(uint32_t ms) { clockMs = ms; }
void headlessQueueMessage(const Message& message) { inputPush(&input, message); }
int headlessQueuedMessages() { return input.count; }

void headlessKeyEvent(int scancode, bool down, bool repeat, bool altHeld) {
    inputKey(&input, scancode, down, repeat, altHeld);  // no window to make fullscreen here
}

void headlessPadButton(int button, bool down) { inputPadButton(&input, button, down, clockMs); }
void headlessPadAxis(int axis, int value) { inputPadAxis(&input, axis, value); }
void headlessPadsRemoved() { inputPadsReleased(&input); }
void headlessFocusLost() { inputFocusLost(&input); }

const SpriteDrawRecord* headlessSpriteDraws(int* count) {
    *count = lastBatch ? lastBatch->count : 0;
    return lastBatch ? lastBatch->draws : nullptr;
}

const uint8_t* headlessPixels() { return pixels; }

void headlessSetDrawing(bool) {}

bool headlessSavePng(const char*) {
    setLastError("snapshot", "this build keeps no pixels");
    return false;
}

bool headlessWritePng(std::FILE*) {
    setLastError("snapshot", "this build keeps no pixels");
    return false;
}

void headlessSetExitHandler(void (*handler)(int code)) { exitHandler = handler; }

}  // namespace platform
