// Raw input to the game's key events: the shared translation (keys, pads, focus), and
// the SDL backend's own event path on SDL's dummy video driver.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/input.h"
#include "platform/letterbox.h"

using namespace platform;

namespace {

std::string words(const Event& e) {
    static const char* const KEYS[] = {"LEFT", "RIGHT", "UP", "DOWN", "SPACE", "ESCAPE"};
    if (e.type == EventType::CLOSE) return "close";
    return std::string(e.type == EventType::KEY_DOWN ? (e.repeat ? "repeat:" : "down:") : "up:") +
           KEYS[static_cast<int>(e.key)];
}

// Every waiting event (at a fixed time) as words.
std::string drain(InputState* in, uint32_t nowMs = 0) {
    std::string out;
    Event e{};
    while (inputNext(in, nowMs, &e)) out += (out.empty() ? "" : " ") + words(e);
    return out;
}

}  // namespace

TEST(Input, StickDeadZoneAndKeysHeldBySeveralSources) {
    InputState in{};
    inputPadAxis(&in, PadAxis::LEFT_X, 8000);  // inside the dead zone
    inputPadAxis(&in, PadAxis::LEFT_X, 20000);
    inputPadAxis(&in, PadAxis::LEFT_X, 12000);   // eased off, still past the release point
    inputPadAxis(&in, PadAxis::LEFT_X, -32768);  // flicked across: let go, then the other way
    EXPECT_EQ(drain(&in), "down:RIGHT up:RIGHT down:LEFT");
    // Left is also held by the stick: it goes up only when the last source lets go.
    inputKey(&in, Key::LEFT, true, false);
    inputKey(&in, Key::LEFT, true, true);
    inputKey(&in, Key::LEFT, false, false);
    inputPadAxis(&in, PadAxis::LEFT_X, 0);
    EXPECT_EQ(drain(&in), "down:LEFT repeat:LEFT up:LEFT");
}

TEST(Input, SouthButtonRepeatsOnScheduleAcrossTheClockWrap) {
    InputState in{};
    const uint32_t t0 = 0xFFFFFF00u;
    inputPadButton(&in, PadButton::SOUTH, true, t0);
    EXPECT_EQ(drain(&in, t0), "down:SPACE");
    EXPECT_EQ(drain(&in, t0 + PAD_REPEAT_DELAY_MS - 1), "");
    EXPECT_EQ(drain(&in, t0 + PAD_REPEAT_DELAY_MS), "repeat:SPACE");
    // A stall: one repeat, not a burst, then the rate again from there.
    const uint32_t late = t0 + 5000;
    EXPECT_EQ(drain(&in, late), "repeat:SPACE");
    EXPECT_EQ(drain(&in, late + 1), "");
}

TEST(Input, UnplugAndFocusLossReleaseEverythingHeld) {
    InputState in{};
    inputPadButton(&in, PadButton::SOUTH, true, 0);
    inputPadAxis(&in, PadAxis::LEFT_Y, -30000);  // y grows downwards: Up
    inputKey(&in, Key::LEFT, true, false);
    EXPECT_EQ(drain(&in), "down:SPACE down:UP down:LEFT");
    inputPadsReleased(&in);
    EXPECT_EQ(drain(&in, 100000), "up:UP up:SPACE");  // no repeat after the unplug
    inputFocusLost(&in);
    EXPECT_EQ(drain(&in), "up:LEFT");
}

TEST(Letterbox, FourByThreeAsLargeAsFitsCentred) {
    const int cases[][6] = {{1920, 1080, 240, 0, 1440, 1080},
                            {800, 1000, 0, 200, 800, 600},
                            {625, 452, 11, 0, 603, 452},
                            {0, 480, 0, 0, 0, 0}};
    for (const auto& c : cases) {
        ViewRect r = letterbox(c[0], c[1]);
        EXPECT_EQ((std::vector<int>{r.x, r.y, r.w, r.h}), (std::vector<int>{c[2], c[3], c[4], c[5]})) << c[0];
    }
}

namespace {

void openDummyWindow() {
    static bool opened = [] {
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        setenv("SDL_JOYSTICK_ALLOW_BACKGROUND_EVENTS", "1", 1);  // the dummy window never has the focus
        return openWindow("Skarvo", 640, 480);
    }();
    ASSERT_TRUE(opened) << lastError();
}

void pushKey(SDL_Scancode sc, bool down, bool repeat = false, Uint16 mod = 0) {
    SDL_Event e{};
    e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.repeat = repeat;
    e.key.keysym.scancode = sc;
    e.key.keysym.mod = mod;
    SDL_PushEvent(&e);
}

// Every event pollEvent gives now, as words.
std::string pollAll() {
    std::string out;
    Event e{};
    while (pollEvent(&e)) out += (out.empty() ? "" : " ") + words(e);
    return out;
}

}  // namespace

TEST(SdlEvents, OneEventPerPollSystemKeysUnseenFocusLossAndClose) {
    openDummyWindow();
    pollAll();
    pushKey(SDL_SCANCODE_LEFT, true);
    pushKey(SDL_SCANCODE_LEFT, true, true);
    pushKey(SDL_SCANCODE_F11, true), pushKey(SDL_SCANCODE_F11, false);
    pushKey(SDL_SCANCODE_A, true), pushKey(SDL_SCANCODE_A, false);  // not a key of the game's
    pushKey(SDL_SCANCODE_SPACE, true, false, KMOD_LALT);              // Alt+Space is the system's
    pushKey(SDL_SCANCODE_LEFT, false);
    Event e{};
    ASSERT_TRUE(pollEvent(&e));
    EXPECT_EQ(words(e), "down:LEFT");
    EXPECT_EQ(pollAll(), "repeat:LEFT up:LEFT");
    pushKey(SDL_SCANCODE_F11, true), pushKey(SDL_SCANCODE_F11, false);  // back out of fullscreen
    pushKey(SDL_SCANCODE_SPACE, true), pushKey(SDL_SCANCODE_UP, true);
    for (Uint8 event : {SDL_WINDOWEVENT_FOCUS_LOST, SDL_WINDOWEVENT_CLOSE}) {
        SDL_Event w{};
        w.type = SDL_WINDOWEVENT;
        w.window.event = event;
        SDL_PushEvent(&w);
    }
    EXPECT_EQ(pollAll(), "down:SPACE down:UP up:UP up:SPACE close");
}

TEST(SdlEvents, VirtualGamepadBecomesKeys) {
    openDummyWindow();
    pollAll();
    const int index = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, SDL_CONTROLLER_AXIS_MAX,
                                                SDL_CONTROLLER_BUTTON_MAX, 0);
    SDL_Joystick* stick = SDL_JoystickOpen(index);
    ASSERT_NE(stick, nullptr) << SDL_GetError();
    pollAll();  // plugged in: the backend opens it as a gamepad
    SDL_JoystickSetVirtualButton(stick, SDL_CONTROLLER_BUTTON_A, SDL_PRESSED);
    EXPECT_EQ(pollAll(), "down:SPACE");
    SDL_JoystickClose(stick);  // unplugged while held: Space goes up
    SDL_JoystickDetachVirtual(index);
    EXPECT_EQ(pollAll(), "up:SPACE");
}
