// win32_exit.h — what the Windows backend lets go of just before the process ends.
//
// The game releases nothing on exit, but under Wine a process that ends while another
// of its threads is busy inside Direct3D or DirectSound can be killed mid-exit (the
// busy thread is stopped holding a lock the exiting thread then waits for). So the
// pieces that start such threads register a hook here, and exitProcess runs the hooks,
// the last registered first, before ExitProcess.
#pragma once

namespace platform {

// Registers `hook` once (a second registration of the same hook is ignored).
void win32AtExit(void (*hook)());
// Runs and forgets the registered hooks, the last registered first.
void win32RunExitHooks();

}  // namespace platform
