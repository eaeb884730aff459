// thread.cpp — the SDL backend's thread priority: POSIX niceness, the best granted.
#include <sys/resource.h>
#include <unistd.h>

#include "platform/platform.h"

namespace platform {

// Real-time classes are not asked for: the sound thread sleeps most of the time and
// needs none; an ordinary user may only lower niceness so far (often not at all).
void raiseThreadPriority() {
    const pid_t self = gettid();
    for (int nice = -20; nice < 0; ++nice)
        if (setpriority(PRIO_PROCESS, static_cast<id_t>(self), nice) == 0) return;
}

}  // namespace platform
