// win32_exit.cpp — the hooks exitProcess runs before ExitProcess (see win32_exit.h).
#include "win32_exit.h"

namespace platform {

namespace {

constexpr int MAX_EXIT_HOOKS = 4;  // the graphics device and the sound ring
void (*hooks[MAX_EXIT_HOOKS])() = {};
int hookCount = 0;

}  // namespace

void win32AtExit(void (*hook)()) {
    for (int i = 0; i < hookCount; ++i)
        if (hooks[i] == hook) return;
    if (hook && hookCount < MAX_EXIT_HOOKS) hooks[hookCount++] = hook;
}

void win32RunExitHooks() {
    while (hookCount > 0) hooks[--hookCount]();
}

}  // namespace platform
