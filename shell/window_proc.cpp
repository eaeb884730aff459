// window_proc.cpp — keyboard input.
#include "shell/window_proc.h"

#include "gameplay/game_state.h"
#include "gameplay/shots.h"

namespace skarvo {

using platform::EventType;
using platform::Key;

void windowProc(const platform::Event& event) {
    if (event.type == EventType::CLOSE) platform::exitProcess(0);
    const bool down = event.type == EventType::KEY_DOWN;
    switch (event.key) {
        case Key::ESCAPE:
            if (down) platform::exitProcess(0);
            break;
        case Key::SPACE:
            game.fireHeld = down ? 1 : 0;
            if (down) throwObject(*game.playerRecord);
            break;
        case Key::LEFT:
            game.dirX = down ? -1 : 0;
            break;
        case Key::RIGHT:
            game.dirX = down ? 1 : 0;
            break;
        case Key::UP:
            game.dirY = down ? 1 : 0;
            break;
        case Key::DOWN:
            game.dirY = down ? -1 : 0;
            break;
    }
}

}  // namespace skarvo
