// headless.h — controls of the headless backend, for tests and tools.
//
// The headless backend implements the same platform calls as the SDL one, without a
// display: the clock reads what the caller set, the message peek returns what the
// caller queued, drawing goes into a 640 × 480 pixel buffer, and the sprite batch also
// keeps a log of the draws of the current batch. Exit calls the handler set here
// (by default it ends the process with the code).
//
//   platform::headlessSetClock(1000);
//   platform::headlessQueueMessage({nullptr, platform::WM_KEYDOWN, platform::VK_RIGHT, 0});
//   skarvo::runFrame();
//   platform::headlessSavePng("frame.png");
#pragma once

#include <cstdint>
#include <cstdio>

#include "matrix.h"
#include "messages.h"
#include "sprite.h"

namespace platform {

struct SpriteDrawRecord {
    Texture* texture;
    Vec3 centre;
    Vec3 position;
    uint32_t colour;
    Matrix transform;  // the batch transform in force at the draw
};

void headlessSetClock(uint32_t ms);
// Queues one message for the game window (the window field is filled in).
void headlessQueueMessage(const Message& message);
int headlessQueuedMessages();
// Draws of the batch begun last (cleared by spriteBegin).
const SpriteDrawRecord* headlessSpriteDraws(int* count);
// Whether frames are rasterised (the default). Off, every call is still checked and
// the draw log kept, but no pixel is drawn: for frames whose picture nobody looks at.
// Every frame starts with a full clear, so turning it on for one frame is enough.
void headlessSetDrawing(bool on);
// The back buffer as 640 × 480 RGBA bytes, row by row from the top.
const uint8_t* headlessPixels();
bool headlessSavePng(const char* path);
// The same PNG into an open file (the caller closes it and checks the close).
bool headlessWritePng(std::FILE* file);
// Called instead of ending the process on exit; must not return (e.g. exit or longjmp).
void headlessSetExitHandler(void (*handler)(int code));

// Raw input, translated exactly as the real window translates it (the resulting
// messages are queued; pad repeats are made by the peek from the clock):
// a key by SDL scancode, a pad button or axis by SDL game-controller number,
// the pads unplugged, the window losing the focus.
void headlessKeyEvent(int scancode, bool down, bool repeat, bool altHeld);
void headlessPadButton(int button, bool down);
void headlessPadAxis(int axis, int value);
void headlessPadsRemoved();
void headlessFocusLost();

}  // namespace platform
