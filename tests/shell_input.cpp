// Keyboard input through the window procedure and the frame loop's event step. (Close,
// Escape and the clock's wrap are pinned by the checked-in replays.)
#include <tuple>

#include "shell/scene.h"
#include "shell_support.h"

using namespace platform;
using skarvo::game;
using skarvo::runFrame;

namespace {

void key(EventType type, Key k, bool repeat = false) { headlessQueueEvent({type, k, repeat}); }

}  // namespace

TEST(WindowProc, ArrowsFollowTheLastKeyPressedSpaceStaysHeldUntilItsKeyUp) {
    shelltest::drainEvents();
    constexpr EventType D = EventType::KEY_DOWN, U = EventType::KEY_UP;
    // {event, key, repeat, then dirX, dirY, fireHeld, shots thrown}: a key-up clears its
    // axis even while the other key is held; every Space key-down throws, repeats too.
    const struct {
        EventType type;
        Key key;
        bool repeat;
        int dirX, dirY, fireHeld, throws;
    } steps[] = {{D, Key::RIGHT, false, 1, 0, 0, 0}, {D, Key::LEFT, false, -1, 0, 0, 0},
                 {U, Key::RIGHT, false, 0, 0, 0, 0}, {D, Key::UP, false, 0, 1, 0, 0},
                 {D, Key::DOWN, false, 0, -1, 0, 0}, {U, Key::UP, false, 0, 0, 0, 0},
                 {D, Key::SPACE, false, 0, 0, 1, 1}, {D, Key::SPACE, true, 0, 0, 1, 2},
                 {U, Key::LEFT, false, 0, 0, 1, 2},  {U, Key::SPACE, false, 0, 0, 0, 2}};
    const int before = game.shotCounter;
    for (const auto& s : steps) {
        key(s.type, s.key, s.repeat);
        runFrame();
        EXPECT_EQ(std::make_tuple(game.dirX, game.dirY, game.fireHeld, game.shotCounter - before),
                  std::make_tuple(s.dirX, s.dirY, s.fireHeld, s.throws))
            << "after event " << static_cast<int>(s.type) << " key " << static_cast<int>(s.key);
    }
}

TEST(FrameLoop, TakesOneEventPerFrame) {
    shelltest::drainEvents();
    for (int i = 0; i < 3; ++i) key(EventType::KEY_DOWN, Key::LEFT), key(EventType::KEY_UP, Key::LEFT);
    for (int frame = 0; frame < 6; ++frame) {
        runFrame();
        EXPECT_EQ(game.dirX, frame % 2 == 0 ? -1 : 0) << "frame " << frame;
    }
}

// The one transform the game builds from all three parts; the backdrop drawn through it
// is the end-to-end test's.
TEST(SetWorldTransform, RotatesThenTranslatesThenScalesTheWhole) {
    // (1, 0, 0) turned onto (0, 1, 0), moved to (1, 3, 0.5), scaled to (2, 9, 2).
    skarvo::setWorldTransform(1, 2, 0.5f, 2, 3, 4, 1.5707963f);
    const math::Vec3 w = math::transformPoint({1, 0, 0}, skarvo::worldTransform);
    EXPECT_NEAR(w.x, 2, 1e-5f);
    EXPECT_NEAR(w.y, 9, 1e-5f);
    EXPECT_NEAR(w.z, 2, 1e-5f);
}
