// window.cpp — the web backend (a page in the browser, WebAssembly): window, events,
// clock, exit and thread priority. Drawing is render.cpp's (WebGL 1), the sound ring
// sound_ring.cpp's (an AudioWorklet), the entry point main.cpp's.
//
// Implements: the page's 640 × 480 canvas as the window (index.html gives the caption
// as the page's title, hides the cursor over the canvas, scales it to the page keeping
// 4:3 and has a fullscreen button), keys by physical position (KeyboardEvent.code) with
// the keyboard's auto-repeat as repeated key-downs and their default actions
// (scrolling) prevented, key-ups for every held key when the page loses the focus or
// is hidden, the millisecond clock (the page's performance.now(), low 32 bits), and
// exit: the frame loop, the streaming thread and the sound stop, and the page says
// the game has ended. In the test mode the clock is the test's.
// Lacks: a close event (closing the tab ends the page, program and all), gamepads,
// restoring a lost WebGL context, moving or sizing a window, a higher thread priority
// (the browser grants none).
#include <emscripten.h>
#include <emscripten/html5.h>

#include <cstdio>
#include <cstring>

#include "platform/input.h"
#include "platform/last_error.h"
#include "platform/platform.h"
#include "platform/web/web.h"

namespace platform {

namespace {

InputState input{};
uint32_t testClockMs = 0;
void (*exitHooks[4])() = {};
int exitHookCount = 0;

// The game's key at a physical position (KeyboardEvent.code); false for every other.
bool keyOfCode(const char* code, Key* key) {
    static const struct {
        const char* code;
        Key key;
    } KEYS[] = {{"ArrowLeft", Key::LEFT},   {"ArrowRight", Key::RIGHT}, {"ArrowUp", Key::UP},
                {"ArrowDown", Key::DOWN},   {"Space", Key::SPACE},      {"Escape", Key::ESCAPE}};
    for (const auto& k : KEYS)
        if (std::strcmp(code, k.code) == 0) {
            *key = k.key;
            return true;
        }
    return false;
}

EM_BOOL onKey(int type, const EmscriptenKeyboardEvent* e, void*) {
    Key key;
    if (!keyOfCode(e->code, &key)) return EM_FALSE;
    const bool down = type == EMSCRIPTEN_EVENT_KEYDOWN;
    // With a modifier the key is the browser's (Alt+Left goes back a page).
    if (down && (e->altKey || e->ctrlKey || e->metaKey)) return EM_FALSE;
    inputKey(&input, key, down, e->repeat != 0);
    return EM_TRUE;  // no scrolling, no button pressed by Space
}

EM_BOOL onBlur(int, const EmscriptenFocusEvent*, void*) {
    inputFocusLost(&input);
    return EM_FALSE;
}

EM_BOOL onVisibility(int, const EmscriptenVisibilityChangeEvent* e, void*) {
    if (e->hidden) inputFocusLost(&input);
    return EM_FALSE;
}

EM_JS(int, pageInTestMode, (), { return Module['skarvoTest'] ? 1 : 0; });
EM_JS(int, pageHasCanvas, (), { return document.getElementById('canvas') ? 1 : 0; });
EM_JS(void, pageGameEnded, (int code), {
    if (Module['skarvoEnded']) Module['skarvoEnded'](code);
});

}  // namespace

bool webTestMode() {
    static const bool mode = pageInTestMode() != 0;
    return mode;
}

void webSetTestClock(uint32_t ms) { testClockMs = ms; }
int webQueuedEvents() { return input.count; }

void webAtExit(void (*hook)()) {
    if (exitHookCount < static_cast<int>(sizeof exitHooks / sizeof exitHooks[0])) exitHooks[exitHookCount++] = hook;
}

// [SECTION] window and events

bool openWindow(const char*, int, int) {
    if (!pageHasCanvas()) {
        setLastError("window creation", "the page has no element with id \"canvas\"");
        return false;
    }
    const char* window = EMSCRIPTEN_EVENT_TARGET_WINDOW;
    emscripten_set_keydown_callback(window, nullptr, EM_TRUE, onKey);
    emscripten_set_keyup_callback(window, nullptr, EM_TRUE, onKey);
    emscripten_set_blur_callback(window, nullptr, EM_FALSE, onBlur);
    emscripten_set_visibilitychange_callback(nullptr, EM_FALSE, onVisibility);
    return true;
}

bool pollEvent(Event* out) { return inputNext(&input, clockMs(), out); }

void exitProcess(int code) {
    std::fflush(nullptr);
    emscripten_html5_remove_all_event_listeners();
    while (exitHookCount > 0) exitHooks[--exitHookCount]();
    pageGameEnded(code);
    // Ends the program's threads (the streaming thread) and unwinds to the browser:
    // nothing of the program runs after this.
    emscripten_force_exit(code);
}

// [SECTION] clock

uint32_t clockMs() {
    if (webTestMode()) return testClockMs;
    return static_cast<uint32_t>(static_cast<uint64_t>(emscripten_get_now()));
}

// [SECTION] threads

void raiseThreadPriority() {}

}  // namespace platform
