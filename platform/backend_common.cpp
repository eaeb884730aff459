// backend_common.cpp — the platform calls both backends answer alike: the desktop
// window, the module token, the one registered window class, the default window
// procedure and the Direct3D object (a token; the device holds all state).
#include <cstring>

#include "backend_internal.h"

namespace platform {

struct Direct3D {
    int unused;
};

namespace {

WindowClass registered{};
bool haveClass = false;
Direct3D theDirect3D{};

}  // namespace

Window* getDesktopWindow() { return nullptr; }

void* getModuleHandle(const char*) {
    static int module;
    return &module;
}

uint16_t registerClass(const WindowClass* windowClass) {
    if (!windowClass || !windowClass->windowProc || !windowClass->className) return 0;
    registered = *windowClass;
    haveClass = true;
    return 1;
}

const WindowClass* registeredClass(const char* className) {
    if (!haveClass || !className || std::strcmp(className, registered.className) != 0) {
        setLastError("window creation", "class not registered");
        return nullptr;
    }
    return &registered;
}

intptr_t defWindowProc(Window*, uint32_t, uintptr_t, intptr_t) { return 0; }

Direct3D* direct3DCreate(uint32_t) { return &theDirect3D; }

}  // namespace platform
