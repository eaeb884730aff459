// input.cpp — raw input to window messages.
#include "input.h"

#include <SDL_scancode.h>

namespace platform {

uint32_t virtualKeyOfScancode(int scancode) {
    switch (scancode) {
        case SDL_SCANCODE_LEFT: return VK_LEFT;
        case SDL_SCANCODE_UP: return VK_UP;
        case SDL_SCANCODE_RIGHT: return VK_RIGHT;
        case SDL_SCANCODE_DOWN: return VK_DOWN;
        case SDL_SCANCODE_SPACE: return VK_SPACE;
        case SDL_SCANCODE_ESCAPE: return VK_ESCAPE;
        case SDL_SCANCODE_RETURN:
        case SDL_SCANCODE_KP_ENTER: return 0x0D;
        case SDL_SCANCODE_TAB: return 0x09;
        case SDL_SCANCODE_BACKSPACE: return 0x08;
        case SDL_SCANCODE_LSHIFT:
        case SDL_SCANCODE_RSHIFT: return 0x10;
        case SDL_SCANCODE_LCTRL:
        case SDL_SCANCODE_RCTRL: return 0x11;
        case SDL_SCANCODE_LALT:
        case SDL_SCANCODE_RALT: return 0x12;
        default: break;
    }
    if (scancode >= SDL_SCANCODE_A && scancode <= SDL_SCANCODE_Z) return 'A' + (scancode - SDL_SCANCODE_A);
    if (scancode >= SDL_SCANCODE_1 && scancode <= SDL_SCANCODE_9) return '1' + (scancode - SDL_SCANCODE_1);
    if (scancode == SDL_SCANCODE_0) return '0';
    if (scancode >= SDL_SCANCODE_F1 && scancode <= SDL_SCANCODE_F12) return 0x70 + (scancode - SDL_SCANCODE_F1);
    return 0;
}

bool keyMessage(int scancode, bool down, bool altHeld, Message* out) {
    uint32_t vk = virtualKeyOfScancode(scancode);
    if (vk == 0) return false;
    out->window = nullptr;
    out->message = down ? (altHeld ? WM_SYSKEYDOWN : WM_KEYDOWN) : WM_KEYUP;
    out->wParam = vk;
    out->lParam = 0;
    return true;
}

}  // namespace platform
