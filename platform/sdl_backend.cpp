// sdl_backend.cpp — the platform on a real display, through SDL2.
//
// Implements: one window (caption, outer size 640 × 480 at the top left, cursor
// hidden; resizable, high-DPI aware), fullscreen on F11 or Alt+Enter (borderless,
// desktop size), the message peek (one message per call: keys by physical position
// with auto-repeat, gamepads as arrow/Space/Escape keys with hot-plug, key-ups for
// every held key on focus loss, close), dispatch, immediate exit, the millisecond
// clock (low 32 bits of SDL's 64-bit ticks), the graphics device on SDL's renderer
// (accelerated with vsync, else software) drawing into a 640 × 480 render-target
// texture, and present: the back buffer letterboxed 4:3 into the window with a
// smooth filter, waiting for the display's refresh, or paced to 60 Hz where there is
// none (dummy/offscreen drivers, software renderer, vsync that does not wait).
// Lacks: more than one window, mouse input, lost-device recovery (SDL keeps
// textures), a depth buffer (see device.h).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "clock.h"
#include "input.h"
#include "layout.h"
#include "pacing.h"
#include "render_internal.h"

namespace platform {

struct Window {
    WindowClass windowClass;
    SDL_Window* sdl;
    SDL_Rect outer;          // the frame's place and size as asked for
    SDL_Renderer* renderer;  // made with the window, taken by the device
};

namespace {

Window theWindow{};
Device theDevice{};
bool haveDevice = false;
int cursorCount = 0;
InputState input{};
std::string rendererError;

static_assert(PAD_SOUTH == SDL_CONTROLLER_BUTTON_A && PAD_BACK == SDL_CONTROLLER_BUTTON_BACK &&
              PAD_START == SDL_CONTROLLER_BUTTON_START && PAD_UP == SDL_CONTROLLER_BUTTON_DPAD_UP &&
              PAD_DOWN == SDL_CONTROLLER_BUTTON_DPAD_DOWN && PAD_LEFT == SDL_CONTROLLER_BUTTON_DPAD_LEFT &&
              PAD_RIGHT == SDL_CONTROLLER_BUTTON_DPAD_RIGHT && PAD_AXIS_LEFTX == SDL_CONTROLLER_AXIS_LEFTX &&
              PAD_AXIS_LEFTY == SDL_CONTROLLER_AXIS_LEFTY);

Pacer pacer{};

// Drivers that put nothing on any screen. SDL falls back to one of them when there is
// no display at all; the game would then run unseen and could only be killed.
bool showsNothing(const char* driver) {
    for (const char* name : {"offscreen", "dummy", "evdev"})
        if (driver && std::strcmp(driver, name) == 0) return true;
    return false;
}

bool initVideo() {
    if (SDL_WasInit(SDL_INIT_VIDEO)) return true;
    if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
        setLastError("video initialisation", SDL_GetError());
        return false;
    }
    // A driver the user named (SDL_VIDEODRIVER) is theirs to choose, even a blind one.
    const char* named = std::getenv("SDL_VIDEODRIVER");
    const char* driver = SDL_GetCurrentVideoDriver();
    if ((named == nullptr || *named == 0) && showsNothing(driver)) {
        setLastError("no display",
                     (std::string("only SDL's '") + driver +
                      "' video driver started; set DISPLAY or WAYLAND_DISPLAY (or SDL_VIDEODRIVER to insist)")
                         .c_str());
        SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
        return false;
    }
    // Gamepads are a bonus: without them the keyboard still plays. Already attached
    // pads arrive as device-added events.
    SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER);
    return true;
}

// The size asked for is the outer size: take the frame off the client area. The
// window manager tells the frame's size a moment after the window is shown.
void placeOuter(Window* window) {
    int top = 0, left = 0, bottom = 0, right = 0;
    bool framed = false;
    for (int tries = 0; tries < 25 && !framed; ++tries) {
        SDL_PumpEvents();  // events stay queued for the game
        framed = SDL_GetWindowBordersSize(window->sdl, &top, &left, &bottom, &right) == 0 &&
                 (top | left | bottom | right) != 0;
        if (!framed) SDL_Delay(10);
    }
    const SDL_Rect& o = window->outer;
    if (!framed || o.w <= left + right || o.h <= top + bottom) return;
    SDL_SetWindowSize(window->sdl, o.w - left - right, o.h - top - bottom);
    SDL_SetWindowPosition(window->sdl, o.x + left, o.y + top);
}

void toggleFullscreen() {
    if (!theWindow.sdl) return;
    const bool full = SDL_GetWindowFlags(theWindow.sdl) & SDL_WINDOW_FULLSCREEN_DESKTOP;
    SDL_SetWindowFullscreen(theWindow.sdl, full ? 0 : SDL_WINDOW_FULLSCREEN_DESKTOP);
}

uint32_t nowMs() { return static_cast<uint32_t>(SDL_GetTicks64()); }

// Feeds one SDL event to the input translation.
void translate(const SDL_Event& e) {
    switch (e.type) {
        case SDL_QUIT:
            inputPush(&input, Message{nullptr, WM_CLOSE, 0, 0});
            break;
        case SDL_WINDOWEVENT:
            if (e.window.event == SDL_WINDOWEVENT_CLOSE) inputPush(&input, Message{nullptr, WM_CLOSE, 0, 0});
            if (e.window.event == SDL_WINDOWEVENT_FOCUS_LOST) inputFocusLost(&input);
            break;
        case SDL_KEYDOWN:
        case SDL_KEYUP:
            if (inputKey(&input, e.key.keysym.scancode, e.type == SDL_KEYDOWN, e.key.repeat != 0,
                         (e.key.keysym.mod & KMOD_ALT) != 0) == INPUT_TOGGLE_FULLSCREEN)
                toggleFullscreen();
            break;
        case SDL_CONTROLLERDEVICEADDED:
            SDL_GameControllerOpen(e.cdevice.which);
            break;
        case SDL_CONTROLLERDEVICEREMOVED:
            if (SDL_GameController* pad = SDL_GameControllerFromInstanceID(e.cdevice.which))
                SDL_GameControllerClose(pad);
            inputPadsReleased(&input);
            break;
        case SDL_CONTROLLERBUTTONDOWN:
        case SDL_CONTROLLERBUTTONUP:
            inputPadButton(&input, e.cbutton.button, e.type == SDL_CONTROLLERBUTTONDOWN, nowMs());
            break;
        case SDL_CONTROLLERAXISMOTION:
            inputPadAxis(&input, e.caxis.axis, e.caxis.value);
            break;
        default:
            break;
    }
}

}  // namespace

// --- window and messages ---

Window* createWindow(uint32_t, const char* className, const char* caption, uint32_t, int x, int y, int width,
                     int height, Window*, void*, void*, void*) {
    const WindowClass* windowClass = registeredClass(className);
    if (!windowClass) return nullptr;
    if (theWindow.sdl) return &theWindow;
    if (!initVideo()) return nullptr;
    // Hidden until its renderer exists: some renderers make the window anew, and the
    // world should only ever see the final one.
    SDL_Window* w = SDL_CreateWindow(caption ? caption : "", x, y, width, height,
                                     SDL_WINDOW_HIDDEN | SDL_WINDOW_RESIZABLE | SDL_WINDOW_ALLOW_HIGHDPI);
    if (!w) {
        setLastError("window creation", SDL_GetError());
        return nullptr;
    }
    theWindow.renderer =
        SDL_CreateRenderer(w, -1, SDL_RENDERER_ACCELERATED | SDL_RENDERER_PRESENTVSYNC | SDL_RENDERER_TARGETTEXTURE);
    if (!theWindow.renderer) theWindow.renderer = SDL_CreateRenderer(w, -1, SDL_RENDERER_SOFTWARE);
    if (!theWindow.renderer) rendererError = SDL_GetError();  // reported by createDevice
    SDL_ShowWindow(w);
    theWindow.sdl = w;
    theWindow.outer = SDL_Rect{x, y, width, height};
    placeOuter(&theWindow);
    theWindow.windowClass = *windowClass;
    return &theWindow;
}

int showCursor(bool show) {
    cursorCount += show ? 1 : -1;
    SDL_ShowCursor(cursorCount >= 0 ? SDL_ENABLE : SDL_DISABLE);
    return cursorCount;
}

bool peekMessage(Message* msg, Window*, uint32_t filterMin, uint32_t filterMax, uint32_t remove) {
    // Without PM_REMOVE the message would have to stay queued; the game always removes.
    (void)remove;
    // Translate events only until one message is ready: the rest wait in SDL's queue.
    SDL_Event e;
    while (input.count == 0 && SDL_PollEvent(&e)) translate(e);
    if (!inputNext(&input, nowMs(), filterMin, filterMax, msg)) return false;
    msg->window = &theWindow;
    return true;
}

intptr_t dispatchMessage(const Message* msg) {
    if (!msg || !msg->window || !msg->window->windowClass.windowProc) return 0;
    return msg->window->windowClass.windowProc(msg->window, msg->message, msg->wParam, msg->lParam);
}

void exitProcess(int code) {
    std::fflush(nullptr);
    std::_Exit(code);
}

// --- clock ---

uint32_t timeGetTime() { return static_cast<uint32_t>(SDL_GetTicks64()); }

// --- device ---

Device* createDevice(Direct3D* direct3d, uint32_t, uint32_t, Window* focusWindow, uint32_t, const PresentParameters*) {
    if (!direct3d || !focusWindow || !focusWindow->sdl) {
        setLastError("device creation", "no window");
        return nullptr;
    }
    if (haveDevice) return &theDevice;
    SDL_Renderer* renderer = focusWindow->renderer;
    if (!renderer) {
        setLastError("device creation", rendererError.c_str());
        return nullptr;
    }
    SDL_Texture* backBuffer = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_TARGET,
                                                BACK_BUFFER_WIDTH, BACK_BUFFER_HEIGHT);
    if (!backBuffer || SDL_SetRenderTarget(renderer, backBuffer) != 0) {
        setLastError("back buffer creation", SDL_GetError());
        SDL_DestroyRenderer(renderer);
        return nullptr;
    }
    SDL_SetTextureScaleMode(backBuffer, SDL_ScaleModeLinear);

    SDL_RendererInfo info{};
    SDL_GetRendererInfo(renderer, &info);
    const char* driver = SDL_GetCurrentVideoDriver();
    const bool paceSelf = !(info.flags & SDL_RENDERER_PRESENTVSYNC) || (info.flags & SDL_RENDERER_SOFTWARE) ||
                          (driver && (std::strcmp(driver, "dummy") == 0 || std::strcmp(driver, "offscreen") == 0));
    // A vsync that returns at once (some drivers ignore it) shows as frames under 2 ms.
    const uint64_t frequency = SDL_GetPerformanceFrequency();
    pacerInit(&pacer, frequency, 60, frequency / 500, paceSelf);
    renderMakeDevice(&theDevice, renderer, backBuffer);
    haveDevice = true;
    return &theDevice;
}

int devicePresent(Device* device, const void* sourceRect, const void* destRect, Window*, const void*) {
    if (!device || sourceRect || destRect) return -1;
    SDL_Renderer* r = device->renderer;
    SDL_SetRenderTarget(r, nullptr);
    SDL_SetRenderDrawBlendMode(r, SDL_BLENDMODE_NONE);
    SDL_SetRenderDrawColor(r, 0, 0, 0, 255);
    SDL_RenderClear(r);
    SDL_SetTextureBlendMode(device->backBuffer, SDL_BLENDMODE_NONE);
    int outW = 0, outH = 0;
    SDL_GetRendererOutputSize(r, &outW, &outH);  // drawable pixels, high-DPI included
    const ViewRect view = letterbox(outW, outH);
    const SDL_Rect dst{view.x, view.y, view.w, view.h};
    if (view.w > 0 && view.h > 0) SDL_RenderCopy(r, device->backBuffer, nullptr, &dst);
    SDL_RenderPresent(r);
    SDL_SetRenderTarget(r, device->backBuffer);

    // Paced to 60 Hz where the display does not wait (see pacing.h).
    const uint64_t deadline = pacerAfterPresent(&pacer, SDL_GetPerformanceCounter());
    for (uint64_t now = SDL_GetPerformanceCounter(); now < deadline; now = SDL_GetPerformanceCounter())
        SDL_Delay(pacerSleepMs(pacer, now, deadline));
    return 0;
}

}  // namespace platform
