// The SDL backend's own event path, on SDL's dummy video driver: synthetic key and
// window events and a virtual gamepad go through the real peek.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/input.h"
#include "platform/window.h"

using namespace platform;

namespace {

intptr_t quietProc(Window*, uint32_t, uintptr_t, intptr_t) { return 0; }

Window* window() {
    static Window* w = [] {
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        setenv("SDL_JOYSTICK_ALLOW_BACKGROUND_EVENTS", "1", 1);  // the dummy window never has the focus
        static WindowClass wc{8, quietProc, getModuleHandle(nullptr), "Skarvo"};
        registerClass(&wc);
        return createWindow(0, "Skarvo", "Skarvo", 0x10CF0000, 0, 0, 640, 480, nullptr, nullptr, nullptr, nullptr);
    }();
    return w;
}

void pushKey(SDL_Scancode sc, bool down, bool repeat = false) {
    SDL_Event e{};
    e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.repeat = repeat;
    e.key.keysym.scancode = sc;
    SDL_PushEvent(&e);
}

// Every message the peek gives now, as "down:37 up:37" words.
std::string peekAll() {
    std::string out;
    Message m{};
    while (peekMessage(&m, window(), 0, 0, PM_REMOVE)) {
        const char* kind = m.message == WM_KEYDOWN ? "down" : m.message == WM_KEYUP ? "up" : "close";
        out += std::string(out.empty() ? "" : " ") + kind + ":" + std::to_string(m.wParam);
    }
    return out;
}

}  // namespace

TEST(SdlBackend, OneMessagePerPeekFullscreenKeysSwallowedFocusLossAndClose) {
    peekAll();
    pushKey(SDL_SCANCODE_LEFT, true);
    pushKey(SDL_SCANCODE_LEFT, true, true);
    pushKey(SDL_SCANCODE_F11, true), pushKey(SDL_SCANCODE_F11, false);
    pushKey(SDL_SCANCODE_LEFT, false);
    Message m{};
    ASSERT_TRUE(peekMessage(&m, window(), 0, 0, PM_REMOVE));
    EXPECT_EQ(m.wParam, VK_LEFT);
    EXPECT_EQ(peekAll(), "down:37 up:37");                              // the repeat; F11 never shows
    pushKey(SDL_SCANCODE_F11, true), pushKey(SDL_SCANCODE_F11, false);  // back out of fullscreen
    pushKey(SDL_SCANCODE_SPACE, true), pushKey(SDL_SCANCODE_UP, true);
    for (Uint8 event : {SDL_WINDOWEVENT_FOCUS_LOST, SDL_WINDOWEVENT_CLOSE}) {
        SDL_Event e{};
        e.type = SDL_WINDOWEVENT;
        e.window.event = event;
        SDL_PushEvent(&e);
    }
    EXPECT_EQ(peekAll(), "down:32 down:38 up:32 up:38 close:0");
}

TEST(SdlBackend, VirtualGamepadBecomesKeys) {
    peekAll();
    const int index = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, SDL_CONTROLLER_AXIS_MAX,
                                                SDL_CONTROLLER_BUTTON_MAX, 0);
    SDL_Joystick* stick = SDL_JoystickOpen(index);
    ASSERT_NE(stick, nullptr) << SDL_GetError();
    peekAll();  // plugged in: the backend opens it as a gamepad
    SDL_JoystickSetVirtualButton(stick, SDL_CONTROLLER_BUTTON_A, SDL_PRESSED);
    EXPECT_EQ(peekAll(), "down:32");
    SDL_JoystickClose(stick);  // unplugged while held: Space goes up
    SDL_JoystickDetachVirtual(index);
    EXPECT_EQ(peekAll(), "up:32");
}
