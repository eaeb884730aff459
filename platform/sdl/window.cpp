// window.cpp — the SDL backend (Linux): window, events, clock, exit, the graphics device
// and present. Drawing is render.cpp's, the sound ring sound_ring.cpp's.
//
// Implements: one window (caption, outer size 640 × 480 at the top left, cursor
// hidden; resizable, high-DPI aware), fullscreen on F11 or Alt+Enter (borderless,
// desktop size), events (keys by physical position with auto-repeat, gamepads as
// arrow/Space/Escape keys with hot-plug, key-ups for every held key on focus loss,
// close), immediate exit, the millisecond clock (low 32 bits of SDL's 64-bit ticks),
// the device on SDL's renderer (accelerated with vsync, else software) drawing into a
// 640 × 480 render-target texture, and present: the back buffer letterboxed 4:3 into
// the window with a smooth filter, waiting for the display's refresh, or paced to
// 60 Hz where there is none (dummy/offscreen drivers, software renderer, vsync that
// does not wait).
// With SKARVO_FRAME_LOG=FILE set, present() also writes the time of each frame (µs of
// the performance counter, one a line) to FILE, for measuring frame intervals.
// Lacks: more than one window, mouse input, a depth buffer (the game's draws need none).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "platform/input.h"
#include "platform/last_error.h"
#include "platform/letterbox.h"
#include "platform/pacing.h"
#include "platform/platform.h"
#include "platform/sdl/render.h"

namespace platform {

namespace {

SDL_Window* window = nullptr;
SDL_Rect outer;                       // the frame's place and size as asked for
SDL_Renderer* windowRenderer = nullptr;  // made with the window, taken by the device
SDL_Texture* backBuffer = nullptr;
std::string rendererError;
InputState input{};
Pacer pacer{};
std::FILE* frameLog = nullptr;  // SKARVO_FRAME_LOG; flushed by exitProcess

// Drivers that put nothing on any screen. SDL falls back to one of them when there is
// no display at all; the game would then run unseen and could only be killed.
bool showsNothing(const char* driver) {
    for (const char* name : {"offscreen", "dummy", "evdev"})
        if (driver && std::strcmp(driver, name) == 0) return true;
    return false;
}

bool initVideo() {
    if (SDL_WasInit(SDL_INIT_VIDEO)) return true;
#if defined(__GLIBC__)
    // The graphics driver allocates and frees window-size buffers at each fullscreen
    // switch. Left to itself, glibc raises its mmap threshold past them after the first
    // free, so later ones come from the heap, which keeps them (about 4 MiB more for
    // good after a few switches). A fixed threshold, its default, gives them back.
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);
#endif
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
void placeOuter() {
    int top = 0, left = 0, bottom = 0, right = 0;
    bool framed = false;
    for (int tries = 0; tries < 25 && !framed; ++tries) {
        SDL_PumpEvents();  // events stay queued for the game
        framed = SDL_GetWindowBordersSize(window, &top, &left, &bottom, &right) == 0 && (top | left | bottom | right) != 0;
        if (!framed) SDL_Delay(10);
    }
    if (!framed || outer.w <= left + right || outer.h <= top + bottom) return;
    SDL_SetWindowSize(window, outer.w - left - right, outer.h - top - bottom);
    SDL_SetWindowPosition(window, outer.x + left, outer.y + top);
}

void toggleFullscreen() {
    const bool full = SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN_DESKTOP;
    SDL_SetWindowFullscreen(window, full ? 0 : SDL_WINDOW_FULLSCREEN_DESKTOP);
}

// The game's key at a physical position; false for every other key.
bool keyOfScancode(SDL_Scancode scancode, Key* key) {
    switch (scancode) {
        case SDL_SCANCODE_LEFT: *key = Key::LEFT; return true;
        case SDL_SCANCODE_RIGHT: *key = Key::RIGHT; return true;
        case SDL_SCANCODE_UP: *key = Key::UP; return true;
        case SDL_SCANCODE_DOWN: *key = Key::DOWN; return true;
        case SDL_SCANCODE_SPACE: *key = Key::SPACE; return true;
        case SDL_SCANCODE_ESCAPE: *key = Key::ESCAPE; return true;
        default: return false;
    }
}

PadButton padButton(uint8_t button) {
    switch (button) {
        case SDL_CONTROLLER_BUTTON_A: return PadButton::SOUTH;
        case SDL_CONTROLLER_BUTTON_BACK: return PadButton::BACK;
        case SDL_CONTROLLER_BUTTON_START: return PadButton::START;
        case SDL_CONTROLLER_BUTTON_DPAD_UP: return PadButton::UP;
        case SDL_CONTROLLER_BUTTON_DPAD_DOWN: return PadButton::DOWN;
        case SDL_CONTROLLER_BUTTON_DPAD_LEFT: return PadButton::LEFT;
        case SDL_CONTROLLER_BUTTON_DPAD_RIGHT: return PadButton::RIGHT;
        default: return PadButton::OTHER;
    }
}

PadAxis padAxis(uint8_t axis) {
    return axis == SDL_CONTROLLER_AXIS_LEFTX   ? PadAxis::LEFT_X
           : axis == SDL_CONTROLLER_AXIS_LEFTY ? PadAxis::LEFT_Y
                                               : PadAxis::OTHER;
}

// Feeds one SDL event to the input translation.
void translate(const SDL_Event& e) {
    switch (e.type) {
        case SDL_QUIT:
            inputPush(&input, Event{EventType::CLOSE, Key::ESCAPE, false});
            break;
        case SDL_WINDOWEVENT:
            if (e.window.event == SDL_WINDOWEVENT_CLOSE) inputPush(&input, Event{EventType::CLOSE, Key::ESCAPE, false});
            if (e.window.event == SDL_WINDOWEVENT_FOCUS_LOST) inputFocusLost(&input);
            break;
        case SDL_KEYDOWN:
        case SDL_KEYUP: {
            const bool down = e.type == SDL_KEYDOWN;
            const SDL_Scancode sc = e.key.keysym.scancode;
            const bool alt = (e.key.keysym.mod & KMOD_ALT) != 0;
            // Holding the key toggles once.
            if (down && (sc == SDL_SCANCODE_F11 || (alt && (sc == SDL_SCANCODE_RETURN || sc == SDL_SCANCODE_KP_ENTER)))) {
                if (!e.key.repeat) toggleFullscreen();
                break;
            }
            Key key;
            if (!keyOfScancode(sc, &key) || (down && alt)) break;  // Alt+key is the system's
            inputKey(&input, key, down, e.key.repeat != 0);
            break;
        }
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
            inputPadButton(&input, padButton(e.cbutton.button), e.type == SDL_CONTROLLERBUTTONDOWN, clockMs());
            break;
        case SDL_CONTROLLERAXISMOTION:
            inputPadAxis(&input, padAxis(e.caxis.axis), e.caxis.value);
            break;
        default:
            break;
    }
}

}  // namespace

// [SECTION] window and events

bool openWindow(const char* title, int width, int height) {
    if (window) return true;
    if (!initVideo()) return false;
    // Hidden until its renderer exists: some renderers make the window anew, and the
    // world should only ever see the final one.
    window = SDL_CreateWindow(title, 0, 0, width, height,
                              SDL_WINDOW_HIDDEN | SDL_WINDOW_RESIZABLE | SDL_WINDOW_ALLOW_HIGHDPI);
    if (!window) {
        setLastError("window creation", SDL_GetError());
        return false;
    }
    windowRenderer =
        SDL_CreateRenderer(window, -1, SDL_RENDERER_ACCELERATED | SDL_RENDERER_PRESENTVSYNC | SDL_RENDERER_TARGETTEXTURE);
    if (!windowRenderer) windowRenderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_SOFTWARE);
    if (!windowRenderer) rendererError = SDL_GetError();  // reported by openDevice
    SDL_ShowWindow(window);
    outer = SDL_Rect{0, 0, width, height};
    placeOuter();
    SDL_ShowCursor(SDL_DISABLE);
    return true;
}

bool pollEvent(Event* out) {
    // Translate events only until one is ready: the rest wait in SDL's queue.
    SDL_Event e;
    while (input.count == 0 && SDL_PollEvent(&e)) translate(e);
    return inputNext(&input, clockMs(), out);
}

void exitProcess(int code) {
    std::fflush(nullptr);
    std::_Exit(code);
}

// [SECTION] clock

uint32_t clockMs() { return static_cast<uint32_t>(SDL_GetTicks64()); }

// [SECTION] device and present

bool openDevice() {
    if (backBuffer) return true;
    if (!window) {
        setLastError("device creation", "no window");
        return false;
    }
    if (!windowRenderer) {
        setLastError("device creation", rendererError.c_str());
        return false;
    }
    backBuffer = SDL_CreateTexture(windowRenderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_TARGET,
                                   BACK_BUFFER_WIDTH, BACK_BUFFER_HEIGHT);
    if (!backBuffer || SDL_SetRenderTarget(windowRenderer, backBuffer) != 0) {
        setLastError("back buffer creation", SDL_GetError());
        if (backBuffer) SDL_DestroyTexture(backBuffer);
        backBuffer = nullptr;
        return false;
    }
    SDL_SetTextureScaleMode(backBuffer, SDL_ScaleModeLinear);

    SDL_RendererInfo info{};
    SDL_GetRendererInfo(windowRenderer, &info);
    const char* driver = SDL_GetCurrentVideoDriver();
    const bool paceSelf = !(info.flags & SDL_RENDERER_PRESENTVSYNC) || (info.flags & SDL_RENDERER_SOFTWARE) ||
                          (driver && (std::strcmp(driver, "dummy") == 0 || std::strcmp(driver, "offscreen") == 0));
    // A vsync that returns at once (some drivers ignore it) shows as frames under 2 ms.
    const uint64_t frequency = SDL_GetPerformanceFrequency();
    pacerInit(&pacer, frequency, 60, frequency / 500, paceSelf);
    renderUse(windowRenderer);
    if (const char* path = std::getenv("SKARVO_FRAME_LOG"); path && *path) frameLog = std::fopen(path, "w");
    return true;
}

void present() {
    if (!backBuffer) return;
    SDL_Renderer* r = windowRenderer;
    SDL_SetRenderTarget(r, nullptr);
    SDL_SetRenderDrawBlendMode(r, SDL_BLENDMODE_NONE);
    SDL_SetRenderDrawColor(r, 0, 0, 0, 255);
    SDL_RenderClear(r);
    SDL_SetTextureBlendMode(backBuffer, SDL_BLENDMODE_NONE);
    int outW = 0, outH = 0;
    SDL_GetRendererOutputSize(r, &outW, &outH);  // drawable pixels, high-DPI included
    const ViewRect view = letterbox(outW, outH);
    const SDL_Rect dst{view.x, view.y, view.w, view.h};
    if (view.w > 0 && view.h > 0) SDL_RenderCopy(r, backBuffer, nullptr, &dst);
    SDL_RenderPresent(r);
    SDL_SetRenderTarget(r, backBuffer);
    if (frameLog)
        std::fprintf(frameLog, "%.0f\n",
                     static_cast<double>(SDL_GetPerformanceCounter()) * 1e6 / static_cast<double>(SDL_GetPerformanceFrequency()));

    // Paced to 60 Hz where the display does not wait (see pacing.h).
    const uint64_t deadline = pacerAfterPresent(&pacer, SDL_GetPerformanceCounter());
    for (uint64_t now = SDL_GetPerformanceCounter(); now < deadline; now = SDL_GetPerformanceCounter())
        SDL_Delay(pacerSleepMs(pacer, now, deadline));
}

}  // namespace platform
