// win32_system.h — <windows.h> as the Windows backend's files include it: lean, and
// without the min/max macros. Include it after our own headers: <windows.h> defines
// macros with our constants' names (WM_CLOSE, VK_LEFT, PM_REMOVE, ...) and would
// rewrite them. Headers that need <windows.h> first (<mmsystem.h>, <d3d9.h>,
// <wincodec.h>) come after this one.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
