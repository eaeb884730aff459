// headless.h — controls of the headless backend, for tests and tools.
//
// The headless backend implements platform.h without a display: the clock reads what
// the caller set, pollEvent returns what the caller queued, drawing goes into a
// 640 × 480 pixel buffer (pixels.cpp; log.cpp keeps none, where there is no SDL), and
// the sprite batch keeps the draws of the current batch. Exit calls the handler set
// here (by default it ends the process with the code).
//
//   platform::headlessSetClock(1000);
//   platform::headlessQueueEvent({platform::EventType::KEY_DOWN, platform::Key::RIGHT, false});
//   skarvo::runFrame();
//   platform::headlessSavePng("frame.png");
#pragma once

#include <cstdint>
#include <cstdio>

#include "platform/platform.h"
#include "platform/sprite_batch.h"

namespace platform {

void headlessSetClock(uint32_t ms);
void headlessQueueEvent(const Event& event);
int headlessQueuedEvents();
// Draws of the batch begun last, in call order (cleared by spriteBegin).
const SpriteDrawRecord* headlessSpriteDraws(int* count);
// Whether frames are rasterised (the default). Off, every call is still made and the
// draws kept, but no pixel is drawn: for frames whose picture nobody looks at. Every
// frame starts with a full clear, so turning it on for one frame is enough.
void headlessSetDrawing(bool on);
// The back buffer as 640 × 480 RGBA bytes, row by row from the top.
const uint8_t* headlessPixels();
bool headlessSavePng(const char* path);
// The same PNG into an open file (the caller closes it and checks the close).
bool headlessWritePng(std::FILE* file);
// Called instead of ending the process on exit; must not return (e.g. exit or longjmp).
void headlessSetExitHandler(void (*handler)(int code));

}  // namespace platform
