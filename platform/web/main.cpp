// main.cpp — the web build's entry point, instead of shell/main.cpp's endless loop (a
// page must return to the browser between frames): the game's start-up, then one game
// frame per animation frame of the page, each reading the clock as on the other
// systems. Without threads (a page that is not cross-origin isolated) the sound's
// streaming iteration runs here on the page's main thread, every 25 ms.
//
// The test mode (index.html?test) runs no frame loop: the test starts the game with
// web_test_start, then for each frame sets the clock and steps it with web_test_step,
// the key events having come through the browser as in play, and reads the frame's
// state as skarvo-sim prints it with web_test_frame_json.
#include <emscripten.h>
#include <emscripten/eventloop.h>

#include <cstdio>
#include <cstdlib>

#include "audio/sound_output.h"
#include "audio/stream_thread.h"
#include "platform/headless/headless.h"
#include "platform/sprite_batch.h"
#include "platform/web/web.h"
#include "shell/entry.h"
#include "tools/sim/frame_json.h"

namespace {

bool firstFrameShown = false;

#ifdef __EMSCRIPTEN_PTHREADS__
void startPump() {}  // the streaming thread is a thread
#else
long pumpInterval = 0;

void pump(void*) { audio::streamIteration(); }

void stopPump() { emscripten_clear_interval(pumpInterval); }

void startPump() {
    // The page's timer is the streaming thread's sleep.
    audio::setStreamSleepMs(0);
    pumpInterval = emscripten_set_interval(pump, audio::STREAM_SLEEP_MS, nullptr);
    platform::webAtExit(stopPump);
}
#endif

void frame() {
    skarvo::runFrame();
    if (!firstFrameShown) {
        firstFrameShown = true;
        EM_ASM({ Module['skarvoFirstFrameMs'] = performance.now(); });
    }
}

void stopFrames() { emscripten_cancel_main_loop(); }

}  // namespace

// The draws of the batch begun last, as the headless backend reports them to
// frame_json.cpp (tools/sim), which the test mode prints frames with.
const platform::SpriteDrawRecord* platform::headlessSpriteDraws(int* count) {
    SpriteBatch* batch = spriteBatchMade();
    *count = batch ? batch->count : 0;
    return batch ? batch->draws : nullptr;
}

extern "C" {

EMSCRIPTEN_KEEPALIVE void web_test_start(uint32_t nowMs) {
    platform::webSetTestClock(nowMs);
    skarvo::startUp();
    startPump();
}

EMSCRIPTEN_KEEPALIVE void web_test_step(uint32_t nowMs) {
    platform::webSetTestClock(nowMs);
    skarvo::runFrame();
}

EMSCRIPTEN_KEEPALIVE int web_test_queued_events() { return platform::webQueuedEvents(); }

// The frame's state as one JSON line (no newline); valid until the next call.
EMSCRIPTEN_KEEPALIVE const char* web_test_frame_json(int frameNumber) {
    static char* text = nullptr;
    static size_t size = 0;
    std::free(text);
    text = nullptr;
    std::FILE* out = open_memstream(&text, &size);
    if (!out) return "";
    sim::printFrameJson(out, frameNumber);
    std::fclose(out);
    if (size > 0 && text[size - 1] == '\n') text[size - 1] = '\0';
    return text;
}

}  // extern "C"

int main() {
    if (platform::webTestMode()) return 0;  // the test starts the game
    skarvo::startUp();
    startPump();
    platform::webAtExit(stopFrames);
    emscripten_set_main_loop(frame, 0, 0);  // one frame per animation frame of the page
    return 0;
}
