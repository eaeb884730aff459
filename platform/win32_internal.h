// win32_internal.h — private to the Windows backend (platform/win32_*.cpp): what its
// files share, and what its tests look at.
#pragma once

#include <cstdint>

#include "backend_internal.h"
#include "window.h"

namespace platform {

// Records a failure for lastError(): `what` failed, with Windows' error `code`.
void win32SetLastError(const char* what, unsigned long code);
// The native window handle (an HWND) of `window`; null for the desktop.
void* win32WindowHandle(Window* window);

}  // namespace platform
