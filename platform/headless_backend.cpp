// headless_backend.cpp — the platform without a display, for tests and tools.
//
// Implements: the window (a record only, nothing on screen), the message queue
// (messages the caller queued, one per peek), dispatch to the window procedure, the
// clock (the value the caller set), the graphics device drawing with
// SDL's software renderer into a 640 × 480 surface (the same drawing code as the
// real window), present (flushes the drawing; no pacing, the caller owns time),
// textures, the sprite batch with its draw log, PNG snapshots, and exit through a
// replaceable handler.
// Input: queued messages, or raw keys, pad events and focus loss translated by the
// same code as the real window's (the fullscreen toggle is ignored: there is no window).
// Lacks: a visible window, a real clock, vertical sync, the mouse cursor (showCursor
// only counts), real devices.
#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "clock.h"
#include "headless.h"
#include "input.h"
#include "render_internal.h"

namespace platform {

struct Window {
    WindowClass windowClass;
};

namespace {

Window theWindow{};
bool haveWindow = false;
int cursorCount = 0;
uint32_t clockMs = 0;
InputState input{};
void (*exitHandler)(int) = nullptr;

Device theDevice{};
bool haveDevice = false;
SDL_Surface* surface = nullptr;
uint8_t pixels[BACK_BUFFER_WIDTH * BACK_BUFFER_HEIGHT * 4];
bool drawing = true;

}  // namespace

// --- window and messages ---

Window* createWindow(uint32_t, const char* className, const char*, uint32_t, int, int, int, int, Window*, void*, void*,
                     void*) {
    const WindowClass* windowClass = registeredClass(className);
    if (!windowClass) return nullptr;
    theWindow.windowClass = *windowClass;
    haveWindow = true;
    return &theWindow;
}

int showCursor(bool show) { return show ? ++cursorCount : --cursorCount; }

bool peekMessage(Message* msg, Window*, uint32_t filterMin, uint32_t filterMax, uint32_t remove) {
    // Without PM_REMOVE the message would have to stay queued; the game always removes.
    (void)remove;
    if (!inputNext(&input, clockMs, filterMin, filterMax, msg)) return false;
    msg->window = haveWindow ? &theWindow : nullptr;
    return true;
}

intptr_t dispatchMessage(const Message* msg) {
    if (!msg || !msg->window || !msg->window->windowClass.windowProc) return 0;
    return msg->window->windowClass.windowProc(msg->window, msg->message, msg->wParam, msg->lParam);
}

void exitProcess(int code) {
    if (exitHandler) exitHandler(code);
    std::fflush(nullptr);
    std::_Exit(code);
}

// --- clock ---

uint32_t timeGetTime() { return clockMs; }

// --- device ---

Device* createDevice(Direct3D* direct3d, uint32_t, uint32_t, Window* focusWindow, uint32_t, const PresentParameters*) {
    if (!direct3d || !focusWindow) {
        setLastError("device creation", "no window");
        return nullptr;
    }
    if (haveDevice) return &theDevice;
    surface = SDL_CreateRGBSurfaceWithFormat(0, BACK_BUFFER_WIDTH, BACK_BUFFER_HEIGHT, 32, SDL_PIXELFORMAT_XBGR8888);
    SDL_Renderer* renderer = surface ? SDL_CreateSoftwareRenderer(surface) : nullptr;
    if (!renderer) {
        setLastError("device creation", SDL_GetError());
        return nullptr;
    }
    renderMakeDevice(&theDevice, renderer, nullptr);
    theDevice.drawPixels = drawing;
    haveDevice = true;
    return &theDevice;
}

int devicePresent(Device* device, const void*, const void*, Window*, const void*) {
    if (!device) return -1;
    SDL_RenderFlush(device->renderer);
    return 0;
}

// --- headless controls ---

void headlessSetClock(uint32_t ms) { clockMs = ms; }

void headlessSetDrawing(bool on) {
    drawing = on;
    theDevice.drawPixels = on;
}

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
    SpriteBatch* batch = renderLastBatch();
    *count = batch ? batch->count : 0;
    return batch ? batch->draws : nullptr;
}

const uint8_t* headlessPixels() {
    if (!haveDevice) return pixels;
    SDL_RenderFlush(theDevice.renderer);
    for (int y = 0; y < BACK_BUFFER_HEIGHT; ++y) {
        const uint8_t* row = static_cast<const uint8_t*>(surface->pixels) + static_cast<size_t>(y) * surface->pitch;
        uint8_t* out = pixels + static_cast<size_t>(y) * BACK_BUFFER_WIDTH * 4;
        std::memcpy(out, row, BACK_BUFFER_WIDTH * 4);
        for (int x = 0; x < BACK_BUFFER_WIDTH; ++x) out[x * 4 + 3] = 0xFF;  // the back buffer has no alpha
    }
    return pixels;
}

bool headlessWritePng(std::FILE* file) {
    const uint8_t* rgba = headlessPixels();
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = BACK_BUFFER_WIDTH;
    image.height = BACK_BUFFER_HEIGHT;
    image.format = PNG_FORMAT_RGBA;
    bool ok = png_image_write_to_stdio(&image, file, 0, rgba, BACK_BUFFER_WIDTH * 4, nullptr) != 0;
    png_image_free(&image);
    return ok;
}

bool headlessSavePng(const char* path) {
    FILE* file = std::fopen(path, "wb");
    if (!file) return false;
    bool ok = headlessWritePng(file);
    return std::fclose(file) == 0 && ok;
}

void headlessSetExitHandler(void (*handler)(int code)) { exitHandler = handler; }

}  // namespace platform
