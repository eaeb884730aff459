// window_proc.cpp — keyboard input.
#include "window_proc.h"

#include "../gameplay/shots.h"
#include "../platform/window.h"
#include "game_state.h"

namespace skarvo {

using namespace platform;

intptr_t windowProc(Window* window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    switch (message) {
        case WM_CLOSE:
        case WM_QUIT:
            exitProcess(0);
        case WM_KEYDOWN:
            switch (wParam) {
                case VK_ESCAPE:
                    exitProcess(0);
                case VK_SPACE:
                    game.fireHeld = 1;
                    throwObject(*game.playerRecord);
                    break;
                case VK_LEFT:
                    game.dirX = -1;
                    break;
                case VK_UP:
                    game.dirY = 1;
                    break;
                case VK_RIGHT:
                    game.dirX = 1;
                    break;
                case VK_DOWN:
                    game.dirY = -1;
                    break;
                default:
                    break;
            }
            break;
        case WM_KEYUP:
            switch (wParam) {
                case VK_SPACE:
                    game.fireHeld = 0;
                    break;
                case VK_LEFT:
                case VK_RIGHT:
                    game.dirX = 0;
                    break;
                case VK_UP:
                case VK_DOWN:
                    game.dirY = 0;
                    break;
                default:
                    break;
            }
            break;
        default:
            break;
    }
    return defWindowProc(window, message, wParam, lParam);
}

}  // namespace skarvo
