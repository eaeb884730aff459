// sound_ring_dsound.cpp — the sound ring on a DirectSound device.
//
// dsound.dll is loaded by name at open, never through an import library, so the program
// starts on a system without it and is merely silent there. Open makes the device, sets
// the cooperative level on the desktop window (the game opens its sound before it has a
// window of its own, and a console tool has none; DSBCAPS_GLOBALFOCUS keeps the ring
// sounding whichever window has the focus), asks the primary buffer for our format and
// makes the one looping secondary buffer that is the ring. Every failing step releases
// what the earlier ones made and frees the library: nothing stays open, and
// soundRingLastError names the step and its result.
//
// The play position is DirectSound's play cursor (GETCURRENTPOSITION2: what is really
// being played). A lost buffer is reported as SOUND_ERR_BUFFER_LOST, the same number as
// DSERR_BUFFERLOST; other results pass through unchanged.
//
// Exit: the game ends with ExitProcess while the streaming thread may be writing the
// ring, and under Wine a process that ends with DirectSound's own threads busy can be
// killed mid-exit. So an exit hook takes the ring from the writer (a lock held from a
// successful lock to its unlock), stops and releases DirectSound, and keeps the ring
// closed: the writer's next call waits until the process is gone.
#include "sound_ring.h"
#include "platform/win32_exit.h"

// After our header: the system headers define macros that could meet our names.
#include <dsound.h>
#include <windows.h>

#include <cstdio>

namespace platform {

struct SoundRing {
    HMODULE library;
    IDirectSound* device;
    IDirectSoundBuffer* primary;
    IDirectSoundBuffer* stream;
};

namespace {

using DirectSoundCreateFn = HRESULT(WINAPI*)(const GUID*, IDirectSound**, IUnknown*);

SoundRing theRing;
bool ringOpen = false;
char lastError[160] = "";
// Held by every call on the ring, and by the writer from a successful lock to its
// unlock, so the exit hook never pulls the buffer from under a write.
SRWLOCK ringLock = SRWLOCK_INIT;

// Calls on the ring, ringLock held for the call's span.
struct Held {
    Held() { AcquireSRWLockExclusive(&ringLock); }
    ~Held() { ReleaseSRWLockExclusive(&ringLock); }
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;
};

// 44,100 Hz, stereo, signed 16-bit: the ring's format and the one asked of the primary buffer.
WAVEFORMATEX ringFormat() {
    WAVEFORMATEX f = {};
    f.wFormatTag = WAVE_FORMAT_PCM;
    f.nChannels = 2;
    f.nSamplesPerSec = SOUND_RATE_HZ;
    f.wBitsPerSample = 16;
    f.nBlockAlign = SOUND_FRAME_BYTES;
    f.nAvgBytesPerSec = SOUND_RATE_HZ * SOUND_FRAME_BYTES;
    f.cbSize = 0;
    return f;
}

void releaseAll(SoundRing& ring) {
    if (ring.stream != nullptr) ring.stream->Release();
    if (ring.primary != nullptr) ring.primary->Release();
    if (ring.device != nullptr) ring.device->Release();
    if (ring.library != nullptr) FreeLibrary(ring.library);
    ring = SoundRing{};
}

// Records which step failed, undoes the earlier ones and returns the failure.
int32_t failOpen(const char* step, int32_t result) {
    std::snprintf(lastError, sizeof lastError, "%s failed (0x%08lx)", step,
                  static_cast<unsigned long>(static_cast<uint32_t>(result)));
    releaseAll(theRing);
    return result != SOUND_OK ? result : SOUND_ERR_FAILED;
}

// The regions of a lock, ringLock held by the caller.
int32_t lockRegions(SoundRing* ring, uint32_t offset, uint32_t bytes, void** ptr1, uint32_t* bytes1, void** ptr2,
                    uint32_t* bytes2, uint32_t flags) {
    if (ring == nullptr || ring->stream == nullptr) return SOUND_ERR_INVALID;
    if ((flags & SOUND_LOCK_ENTIRE) == 0) {
        if (offset >= SOUND_RING_BYTES || bytes > SOUND_RING_BYTES) return SOUND_ERR_INVALID;
        // DirectSound refuses an empty lock; an empty request has nothing to hand out.
        if (bytes == 0) return SOUND_OK;
    }
    void* p1 = nullptr;
    void* p2 = nullptr;
    DWORD n1 = 0;
    DWORD n2 = 0;
    HRESULT hr =
        ring->stream->Lock(offset, bytes, &p1, &n1, &p2, &n2, (flags & SOUND_LOCK_ENTIRE) ? DSBLOCK_ENTIREBUFFER : 0);
    if (hr != DS_OK) return hr;
    *ptr1 = p1;
    *bytes1 = static_cast<uint32_t>(n1);
    *ptr2 = p2;
    *bytes2 = p2 != nullptr ? static_cast<uint32_t>(n2) : 0;
    return SOUND_OK;
}

// The exit hook: ringLock is taken and never given back.
void closeAtExit() {
    AcquireSRWLockExclusive(&ringLock);
    if (!ringOpen) return;
    theRing.stream->Stop();
    // The interfaces only: the library stays loaded while the process ends around it.
    theRing.library = nullptr;
    releaseAll(theRing);
    ringOpen = false;
}

}  // namespace

int32_t soundRingOpen(SoundRing** ring) {
    *ring = nullptr;
    lastError[0] = '\0';
    if (ringOpen) {
        std::snprintf(lastError, sizeof lastError, "the sound ring is already open");
        return SOUND_ERR_FAILED;
    }
    SoundRing& r = theRing;
    r = SoundRing{};

    r.library = LoadLibraryA("dsound.dll");
    if (r.library == nullptr) return failOpen("LoadLibrary(dsound.dll)", SOUND_ERR_NO_DEVICE);
    // GetProcAddress gives a generic function pointer; this is the entry's real type.
    auto create = reinterpret_cast<DirectSoundCreateFn>(
        reinterpret_cast<void (*)()>(GetProcAddress(r.library, "DirectSoundCreate")));
    if (create == nullptr) return failOpen("GetProcAddress(DirectSoundCreate)", SOUND_ERR_NO_DEVICE);

    // Every failure is treated alike: a system without a device may answer with any error
    // (Wine with no sound server says DSERR_INVALIDPARAM, not DSERR_NODRIVER).
    HRESULT hr = create(nullptr, &r.device, nullptr);
    if (hr != DS_OK || r.device == nullptr) return failOpen("DirectSoundCreate", hr);

    hr = r.device->SetCooperativeLevel(GetDesktopWindow(), DSSCL_PRIORITY);
    if (hr != DS_OK) return failOpen("SetCooperativeLevel", hr);

    // The short first-version description (no 3D algorithm), which every version accepts.
    DSBUFFERDESC1 primaryDesc = {};
    primaryDesc.dwSize = sizeof primaryDesc;
    primaryDesc.dwFlags = DSBCAPS_PRIMARYBUFFER;
    hr = r.device->CreateSoundBuffer(reinterpret_cast<DSBUFFERDESC*>(&primaryDesc), &r.primary, nullptr);
    if (hr != DS_OK) return failOpen("CreateSoundBuffer(primary)", hr);

    WAVEFORMATEX format = ringFormat();
    DSBUFFERDESC1 streamDesc = {};
    streamDesc.dwSize = sizeof streamDesc;
    streamDesc.dwFlags = DSBCAPS_GLOBALFOCUS | DSBCAPS_GETCURRENTPOSITION2;
    streamDesc.dwBufferBytes = SOUND_RING_BYTES;
    streamDesc.lpwfxFormat = &format;
    hr = r.device->CreateSoundBuffer(reinterpret_cast<DSBUFFERDESC*>(&streamDesc), &r.stream, nullptr);
    if (hr != DS_OK) return failOpen("CreateSoundBuffer(ring)", hr);

    // Not examined: the ring keeps its own format whatever the primary buffer accepts.
    r.primary->SetFormat(&format);

    ringOpen = true;
    win32AtExit(closeAtExit);
    *ring = &r;
    return SOUND_OK;
}

int32_t soundRingGetPosition(SoundRing* ring, uint32_t* playPos) {
    Held held;
    if (ring == nullptr || ring->stream == nullptr) return SOUND_ERR_INVALID;
    DWORD play = 0;
    HRESULT hr = ring->stream->GetCurrentPosition(&play, nullptr);
    if (hr != DS_OK) return hr;
    *playPos = static_cast<uint32_t>(play) % SOUND_RING_BYTES;
    return SOUND_OK;
}

int32_t soundRingLock(SoundRing* ring, uint32_t offset, uint32_t bytes, void** ptr1, uint32_t* bytes1, void** ptr2,
                      uint32_t* bytes2, uint32_t flags) {
    *ptr1 = *ptr2 = nullptr;
    *bytes1 = *bytes2 = 0;
    AcquireSRWLockExclusive(&ringLock);
    const int32_t result = lockRegions(ring, offset, bytes, ptr1, bytes1, ptr2, bytes2, flags);
    // Handed-out regions keep ringLock held until their unlock.
    if (result != SOUND_OK || *ptr1 == nullptr) ReleaseSRWLockExclusive(&ringLock);
    return result;
}

int32_t soundRingUnlock(SoundRing* ring, void* ptr1, uint32_t bytes1, void* ptr2, uint32_t bytes2) {
    // No region (an empty or failed lock): nothing was handed out, nothing is held.
    if (ptr1 == nullptr) return ring == nullptr ? SOUND_ERR_INVALID : SOUND_OK;
    const HRESULT hr = ring->stream->Unlock(ptr1, bytes1, ptr2, bytes2);
    ReleaseSRWLockExclusive(&ringLock);
    return hr;
}

int32_t soundRingPlayLooping(SoundRing* ring) {
    Held held;
    if (ring == nullptr || ring->stream == nullptr) return SOUND_ERR_INVALID;
    return ring->stream->Play(0, 0, DSBPLAY_LOOPING);
}

int32_t soundRingRestore(SoundRing* ring) {
    Held held;
    if (ring == nullptr || ring->stream == nullptr) return SOUND_ERR_INVALID;
    return ring->stream->Restore();
}

void soundRingRelease(SoundRing* ring) {
    Held held;
    if (ring == nullptr || !ringOpen) return;
    ring->stream->Stop();
    releaseAll(*ring);
    ringOpen = false;
}

const char* soundRingLastError() { return lastError; }

}  // namespace platform
