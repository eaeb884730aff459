// window_proc.h — the game's input: one event at a time into the control fields of
// `game`, a throw on each Space key-down (auto-repeat included), and an immediate exit
// with code 0 on Escape or when the window is closed.
//
//   platform::Event e;
//   if (platform::pollEvent(&e)) windowProc(e);   // the frame's one event
#pragma once

#include "platform/platform.h"

namespace skarvo {

void windowProc(const platform::Event& event);

}  // namespace skarvo
