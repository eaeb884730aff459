// backend.h — private to the Windows backend (platform/windows/): <windows.h> as its
// files include it (lean, without the min/max macros), and what they share. Its tests
// look in here too.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include "platform/platform.h"

struct IDirect3DDevice9;
struct IDirect3DTexture9;

namespace platform {

struct Texture {
    IDirect3DTexture9* d3d;
    int width, height;  // texels, powers of two
};

// Records a failure for lastError(): `what` failed with Windows' error or result `code`.
void setLastErrorCode(const char* what, unsigned long code);

// [SECTION] window.cpp

// The game's window; null before openWindow.
HWND windowHandle();
// Where the 640 × 480 back buffer goes in the client area (letterboxed 4:3); false when
// the area is empty (a minimised window).
bool presentRect(RECT* rect);
// Whether the window fills its monitor without a frame (F11 / Alt+Enter).
bool isFullscreen();

// Under Wine, a process that ends while another of its threads is busy inside Direct3D
// or DirectSound can be killed mid-exit (the busy thread is stopped holding a lock the
// exiting thread then waits for). So the pieces that start such threads register a hook
// here, and exitProcess runs the hooks, the last registered first, before ExitProcess.
// A second registration of the same hook is ignored.
void atExit(void (*hook)());
void runExitHooks();

// [SECTION] d3d9.cpp

// The graphics device; null before openDevice.
IDirect3DDevice9* d3d9Device();

}  // namespace platform
