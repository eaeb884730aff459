// Nothing is allocated after start-up: malloc and its family (operator new reaches them)
// are replaced and watched while the headless game runs and its thread streams the song.
#include <dlfcn.h>
#include <execinfo.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "assets/embedded.h"
#include "audio/sound_output.h"
#include "gameplay/game_state.h"
#include "platform/headless/headless.h"
#include "platform/headless/sound_ring_control.h"
#include "player/player.h"
#include "shell/entry.h"

extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* p, size_t size);
void* __libc_memalign(size_t alignment, size_t size);
void __libc_free(void* p);
}

namespace {

std::atomic<bool> watching{false};
std::atomic<int> allocations{0};
std::atomic<int> ours{0};  // all but those made inside SDL
thread_local bool inHook = false;

void noteAllocation() {
    if (!watching.load(std::memory_order_relaxed) || inHook) return;
    inHook = true;
    allocations.fetch_add(1);
    void* frames[24];
    int depth = backtrace(frames, 24);
    bool inSdl = false;
    for (int i = 0; i < depth && !inSdl; ++i) {
        Dl_info info{};
        inSdl = dladdr(frames[i], &info) && info.dli_fname && std::strstr(info.dli_fname, "libSDL2");
    }
    ours.fetch_add(!inSdl);
    inHook = false;
}

}  // namespace

extern "C" {
void* malloc(size_t size) { return noteAllocation(), __libc_malloc(size); }
void* calloc(size_t count, size_t size) { return noteAllocation(), __libc_calloc(count, size); }
void* realloc(void* p, size_t size) { return noteAllocation(), __libc_realloc(p, size); }
void* memalign(size_t alignment, size_t size) { return noteAllocation(), __libc_memalign(alignment, size); }
void* aligned_alloc(size_t alignment, size_t size) { return memalign(alignment, size); }
int posix_memalign(void** out, size_t alignment, size_t size) {
    *out = memalign(alignment, size);
    return *out ? 0 : ENOMEM;
}
void free(void* p) { __libc_free(p); }
}

namespace {

void startWatching() {
    void* frames[4];
    backtrace(frames, 4);  // loads its unwinder on first use, which allocates: do that now
    allocations.store(0);
    ours.store(0);
    watching.store(true);
}

// The watch itself: a replaced malloc that nobody calls would pass everything.
TEST(NoAllocation, WatchSeesNewAndVectorGrowth) {
    startWatching();
    int* one = new int(7);
    std::vector<int> grown(1000);
    watching.store(false);
    EXPECT_GE(ours.load(), 2);
    delete one;
}

TEST(NoAllocation, GameFramesWithKeysThrowsAndMusic) {
    platform::headlessSetExitHandler([](int) { std::_Exit(2); });  // the game must not end here
    platform::headlessSoundReset();
    uint32_t clock = 1000;
    platform::headlessSetClock(clock);
    skarvo::startUp();
    for (int i = 0; i < 30; ++i) platform::headlessSetClock(clock += 16), skarvo::runFrame();  // SDL sizes buffers
    using platform::Key;
    const Key keys[] = {Key::RIGHT, Key::SPACE, Key::UP, Key::SPACE, Key::LEFT, Key::DOWN, Key::SPACE};
    // Two minutes in frames of 100 ms or so: walking, throwing, hits, game overs, targets back.
    constexpr int FRAMES = 1200;
    startWatching();
    for (int frame = 0; frame < FRAMES; ++frame) {
        if (frame % 6 == 0)
            platform::headlessQueueEvent({(frame / 6) % 2 ? platform::EventType::KEY_UP : platform::EventType::KEY_DOWN,
                                          keys[(frame / 6) % 7], false});
        platform::headlessSetClock(clock += 98 + frame % 5);
        platform::headlessSoundAdvance(17640);
        skarvo::runFrame();
    }
    watching.store(false);
    EXPECT_EQ(ours.load(), 0);
    // SDL may grow a buffer now and then; an SDL call of ours allocating every frame would fail this.
    EXPECT_LT(allocations.load(), FRAMES / 20) << "allocations inside SDL on many frames";
    EXPECT_GT(skarvo::game.shotCounter, 20) << "the frames did not throw";
    EXPECT_GT(platform::headlessSoundCounts().unlockedBytes, 1000000u) << "the music was not streamed";
}

}  // namespace
