// sound_ring.cpp — the web backend's sound ring: the device is an AudioWorklet
// (skarvo-audio.js) in the page's AudioContext at 44,100 Hz, which the page makes
// before the program starts and resumes at the first key press or click.
//
// With threads (a cross-origin isolated page) the worklet reads the ring straight from
// the program's shared memory, as a sound card reads its buffer: it takes the frames at
// the play position, marks them taken and stores the new position with Atomics.store;
// the streaming thread reads the position and writes behind it. Without threads the
// worklet keeps its own copy of the ring: unlock posts the bytes written, and the
// worklet's reports of the frames it has played (every 512) become the play position
// here. Either way nothing blocks: no lock is shared with the audio thread.
//
// Each frame of the ring carries a "fresh" mark, set when it is written and cleared
// when it is played: a frame played unmarked is one the writer was too late for (the
// worklet plays it anyway, one ring old, as a sound card would) and is counted.
// Lost rings do not happen here: restore does nothing.
#include <emscripten.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>

#include "platform/sound_regions.h"
#include "platform/sound_ring.h"
#include "platform/web/web.h"

namespace platform {

namespace {

constexpr uint32_t RING_FRAMES = SOUND_RING_BYTES / SOUND_FRAME_BYTES;

#ifdef __EMSCRIPTEN_PTHREADS__
constexpr int SHARED = 1;
#else
constexpr int SHARED = 0;
#endif

}  // namespace

struct SoundRing {
    alignas(8) uint8_t memory[SOUND_RING_BYTES];
    std::atomic<uint8_t> fresh[RING_FRAMES];  // threads only: set by unlock, cleared by the worklet
    std::atomic<uint32_t> playPos;            // stored by the worklet (threads) or its reports
    std::atomic<uint32_t> playing;
};
static_assert(std::atomic<uint32_t>::is_always_lock_free && sizeof(std::atomic<uint32_t>) == 4);
static_assert(std::atomic<uint8_t>::is_always_lock_free && sizeof(std::atomic<uint8_t>) == 1);

namespace {

SoundRing theRing;
bool ringOpen = false;
char lastError[200] = "";

// Makes the worklet node on the page's prepared context: 1 on success, 0 when the page
// has no audio (no AudioContext or AudioWorklet, or not a secure context).
EM_JS(int, audioOpen, (void* ring, void* fresh, void* playPos, void* playing, int shared), {
    var audio = Module['skarvoAudio'];
    if (!audio || !audio.ctx || !audio.connect) return 0;
    try {
        var options = shared ? {memory: HEAPU8.buffer, ring: ring, fresh: fresh, playPos: playPos, playing: playing}
                             : {};
        var node = new AudioWorkletNode(audio.ctx, 'skarvo-ring', {
            numberOfInputs: 0,
            numberOfOutputs: 2,  // the sound, and each frame's fresh mark (for a test's tap)
            outputChannelCount: [2, 1],
            processorOptions: options
        });
        node.port.onmessage = function(e) {
            if (!shared) HEAPU32[playPos >> 2] = e.data.playPos;
            audio.stats = e.data;
        };
        audio.node = node;
        audio.connect(node);
        return 1;
    } catch (e) {
        audio.error = String(e);
        return 0;
    }
});

EM_JS(char*, audioError, (), {
    var audio = Module['skarvoAudio'];
    var text = audio ? (audio.error || 'the page has no AudioWorklet') : 'the page has no AudioContext';
    var size = lengthBytesUTF8(text) + 1;
    var p = _malloc(size);
    stringToUTF8(text, p, size);
    return p;
});

EM_JS(void, audioPost, (int offset, const uint8_t* bytes, int count), {
    var data = HEAPU8.slice(bytes, bytes + count);
    Module['skarvoAudio'].node.port.postMessage({offset: offset, data: data}, [data.buffer]);
});

EM_JS(void, audioPlay, (), { Module['skarvoAudio'].node.port.postMessage({play: true}); });

EM_JS(void, audioClose, (), {
    var audio = Module['skarvoAudio'];
    if (audio && audio.node) audio.node.disconnect();
    if (audio && audio.ctx) audio.ctx.close();
});

void closeOnExit() {
    if (ringOpen) audioClose();
}

}  // namespace

SoundRing* soundRingOpen() {
    lastError[0] = '\0';
    if (ringOpen) {
        std::snprintf(lastError, sizeof lastError, "the sound ring is already open");
        return nullptr;
    }
    theRing.playPos.store(0);
    theRing.playing.store(0);
    for (auto& f : theRing.fresh) f.store(0);
    if (!audioOpen(theRing.memory, theRing.fresh, &theRing.playPos, &theRing.playing, SHARED)) {
        char* why = audioError();
        std::snprintf(lastError, sizeof lastError, "no sound device: %s", why);
        std::free(why);
        return nullptr;
    }
    ringOpen = true;
    static bool hooked = false;
    if (!hooked) webAtExit(closeOnExit);
    hooked = true;
    return &theRing;
}

SoundResult soundRingGetPosition(SoundRing* ring, uint32_t* playPos) {
    if (ring == nullptr) return SoundResult::FAILED;
    *playPos = ring->playPos.load(std::memory_order_acquire) % SOUND_RING_BYTES;
    return SoundResult::OK;
}

SoundResult soundRingLock(SoundRing* ring, uint32_t offset, uint32_t bytes, SoundRegions* regions) {
    if (ring == nullptr) {
        *regions = SoundRegions{nullptr, 0, nullptr, 0};
        return SoundResult::FAILED;
    }
    return splitRegions(ring->memory, offset, bytes, regions);
}

SoundResult soundRingUnlock(SoundRing* ring, const SoundRegions& regions) {
    if (ring == nullptr) return SoundResult::FAILED;
    const uint8_t* parts[2] = {regions.ptr1, regions.ptr2};
    const uint32_t sizes[2] = {regions.bytes1, regions.bytes2};
    for (int i = 0; i < 2; ++i) {
        if (parts[i] == nullptr || sizes[i] == 0) continue;
        const uint32_t offset = static_cast<uint32_t>(parts[i] - ring->memory);
        if (SHARED) {
            for (uint32_t f = offset / SOUND_FRAME_BYTES; f < (offset + sizes[i]) / SOUND_FRAME_BYTES; ++f)
                ring->fresh[f].store(1, std::memory_order_release);
        } else {
            audioPost(static_cast<int>(offset), parts[i], static_cast<int>(sizes[i]));
        }
    }
    return SoundResult::OK;
}

SoundResult soundRingPlayLooping(SoundRing* ring) {
    if (ring == nullptr) return SoundResult::FAILED;
    ring->playing.store(1, std::memory_order_release);
    if (!SHARED) audioPlay();
    return SoundResult::OK;
}

SoundResult soundRingRestore(SoundRing* ring) { return ring == nullptr ? SoundResult::FAILED : SoundResult::OK; }

void soundRingRelease(SoundRing* ring) {
    if (ring == nullptr || !ringOpen) return;
    audioClose();
    ringOpen = false;
}

const char* soundRingLastError() { return lastError; }

}  // namespace platform
