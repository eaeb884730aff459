// win32_internal.h — private to the Windows backend (platform/win32_*.cpp,
// platform/d3d9_*.cpp): what its files share, and what its tests look at.
//
// The records behind device.h's and sprite.h's opaque handles hold the Direct3D 9
// objects; the COM interfaces are only named here, so this header needs no
// <windows.h> (which must come after our headers, see win32_window.cpp).
#pragma once

#include <cstdint>

#include "backend_internal.h"
#include "pacing.h"
#include "window.h"

struct IDirect3D9;
struct IDirect3DDevice9;
struct IDirect3DTexture9;

namespace platform {

struct Direct3D {
    IDirect3D9* d3d;
};

struct Device {
    IDirect3DDevice9* d3d;
    Window* window;  // the focus window, where Present shows the back buffer
    Pacer pacer;     // for presentation that does not wait for the display (Wine's)
};

struct Texture {
    IDirect3DTexture9* d3d;
    int width, height;  // texels, powers of two
};

// Records a failure for lastError(): `what` failed, with Windows' error `code`.
void win32SetLastError(const char* what, unsigned long code);
// The native window handle (an HWND) of `window`; null for the desktop.
void* win32WindowHandle(Window* window);

// Releases every texture made so far (at exit, before the device goes).
void d3d9ReleaseTextures();

// Where the 640 × 480 back buffer goes in `window`'s client area (letterboxed 4:3);
// false when the area is empty (a minimised window).
bool win32PresentRect(Window* window, int* left, int* top, int* right, int* bottom);
// Whether `window` fills its monitor without a frame (F11 / Alt+Enter).
bool win32IsFullscreen(Window* window);

}  // namespace platform
