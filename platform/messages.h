// messages.h — the window messages and virtual-key codes the game's window procedure sees.
#pragma once

#include <cstdint>

namespace platform {

constexpr uint32_t WM_CLOSE = 0x0010;
constexpr uint32_t WM_QUIT = 0x0012;
constexpr uint32_t WM_KEYDOWN = 0x0100;
constexpr uint32_t WM_KEYUP = 0x0101;
constexpr uint32_t WM_SYSKEYDOWN = 0x0104;  // a key pressed while Alt is held
constexpr uint32_t WM_SYSKEYUP = 0x0105;

constexpr uint32_t VK_ESCAPE = 0x1B;
constexpr uint32_t VK_SPACE = 0x20;
constexpr uint32_t VK_LEFT = 0x25;
constexpr uint32_t VK_UP = 0x26;
constexpr uint32_t VK_RIGHT = 0x27;
constexpr uint32_t VK_DOWN = 0x28;

struct Window;  // a platform window; null stands for the desktop

struct Message {
    Window* window;
    uint32_t message;
    uintptr_t wParam;
    intptr_t lParam;
};

using WindowProc = intptr_t (*)(Window* window, uint32_t message, uintptr_t wParam, intptr_t lParam);

}  // namespace platform
