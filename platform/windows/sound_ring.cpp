// sound_ring.cpp — the Windows backend's sound ring, on DirectSound.
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
// being played). DSERR_BUFFERLOST is LOST; every other failure is FAILED.
//
// Exit: the game ends with ExitProcess while the streaming thread may be writing the
// ring, and under Wine a process that ends with DirectSound's own threads busy can be
// killed mid-exit. So an exit hook takes the ring from the writer (a lock held from a
// successful lock to its unlock), stops and releases DirectSound, and keeps the ring
// closed: the writer's next call waits until the process is gone.
// Lacks: a choice of device (the default one only), notification of the play position.
#include "platform/sound_ring.h"

#include <cstdio>

#include "platform/windows/backend.h"

// After backend.h: these need <windows.h> first.
// clang-format off
#include <mmsystem.h>
#include <dsound.h>
// clang-format on

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
char ringError[160] = "";
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

// Records which step failed (with DirectSound's result) and undoes the earlier ones.
SoundRing* failOpen(const char* step, HRESULT result) {
    std::snprintf(ringError, sizeof ringError, "%s failed (0x%08lx)", step,
                  static_cast<unsigned long>(static_cast<uint32_t>(result)));
    releaseAll(theRing);
    return nullptr;
}

SoundResult resultOf(HRESULT hr) {
    return hr == DS_OK ? SoundResult::OK : hr == DSERR_BUFFERLOST ? SoundResult::LOST : SoundResult::FAILED;
}

// The regions of a lock, ringLock held by the caller.
SoundResult lockRegions(SoundRing* ring, uint32_t offset, uint32_t bytes, SoundRegions* regions) {
    if (ring == nullptr || ring->stream == nullptr) return SoundResult::FAILED;
    if (offset >= SOUND_RING_BYTES || bytes > SOUND_RING_BYTES) return SoundResult::FAILED;
    // DirectSound refuses an empty lock; an empty request has nothing to hand out.
    if (bytes == 0) return SoundResult::OK;
    void* p1 = nullptr;
    void* p2 = nullptr;
    DWORD n1 = 0;
    DWORD n2 = 0;
    const HRESULT hr = ring->stream->Lock(offset, bytes, &p1, &n1, &p2, &n2, 0);
    if (hr != DS_OK) return resultOf(hr);
    *regions = SoundRegions{static_cast<uint8_t*>(p1), static_cast<uint32_t>(n1), static_cast<uint8_t*>(p2),
                            p2 != nullptr ? static_cast<uint32_t>(n2) : 0};
    return SoundResult::OK;
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

SoundRing* soundRingOpen() {
    ringError[0] = '\0';
    if (ringOpen) {
        std::snprintf(ringError, sizeof ringError, "the sound ring is already open");
        return nullptr;
    }
    SoundRing& r = theRing;
    r = SoundRing{};

    r.library = LoadLibraryA("dsound.dll");
    if (r.library == nullptr) return failOpen("LoadLibrary(dsound.dll)", HRESULT_FROM_WIN32(GetLastError()));
    // GetProcAddress gives a generic function pointer; this is the entry's real type.
    auto create = reinterpret_cast<DirectSoundCreateFn>(
        reinterpret_cast<void (*)()>(GetProcAddress(r.library, "DirectSoundCreate")));
    if (create == nullptr) return failOpen("GetProcAddress(DirectSoundCreate)", HRESULT_FROM_WIN32(GetLastError()));

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
    atExit(closeAtExit);
    return &r;
}

SoundResult soundRingGetPosition(SoundRing* ring, uint32_t* playPos) {
    Held held;
    if (ring == nullptr || ring->stream == nullptr) return SoundResult::FAILED;
    DWORD play = 0;
    const HRESULT hr = ring->stream->GetCurrentPosition(&play, nullptr);
    if (hr == DS_OK) *playPos = static_cast<uint32_t>(play) % SOUND_RING_BYTES;
    return resultOf(hr);
}

SoundResult soundRingLock(SoundRing* ring, uint32_t offset, uint32_t bytes, SoundRegions* regions) {
    *regions = SoundRegions{nullptr, 0, nullptr, 0};
    AcquireSRWLockExclusive(&ringLock);
    const SoundResult result = lockRegions(ring, offset, bytes, regions);
    // Handed-out regions keep ringLock held until their unlock.
    if (result != SoundResult::OK || regions->ptr1 == nullptr) ReleaseSRWLockExclusive(&ringLock);
    return result;
}

SoundResult soundRingUnlock(SoundRing* ring, const SoundRegions& regions) {
    // No region (an empty or failed lock): nothing was handed out, nothing is held.
    if (regions.ptr1 == nullptr) return ring == nullptr ? SoundResult::FAILED : SoundResult::OK;
    const HRESULT hr = ring->stream->Unlock(regions.ptr1, regions.bytes1, regions.ptr2, regions.bytes2);
    ReleaseSRWLockExclusive(&ringLock);
    return resultOf(hr);
}

SoundResult soundRingPlayLooping(SoundRing* ring) {
    Held held;
    if (ring == nullptr || ring->stream == nullptr) return SoundResult::FAILED;
    return resultOf(ring->stream->Play(0, 0, DSBPLAY_LOOPING));
}

SoundResult soundRingRestore(SoundRing* ring) {
    Held held;
    if (ring == nullptr || ring->stream == nullptr) return SoundResult::FAILED;
    return resultOf(ring->stream->Restore());
}

void soundRingRelease(SoundRing* ring) {
    Held held;
    if (ring == nullptr || !ringOpen) return;
    ring->stream->Stop();
    releaseAll(*ring);
    ringOpen = false;
}

const char* soundRingLastError() { return ringError; }

}  // namespace platform
