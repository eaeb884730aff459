// Scene drawing primitives: the world transform.
#include "platform/matrix.h"
#include "platform/render_internal.h"
#include "shell/scene.h"
#include "shell_support.h"

using namespace platform;
using skarvo::game;

namespace {

void expectPoint(const Vec3& p, float x, float y, float z) {
    const Vec3 w = transformPoint(p, game.device->state.world);
    EXPECT_NEAR(w.x, x, 1e-5f);
    EXPECT_NEAR(w.y, y, 1e-5f);
    EXPECT_NEAR(w.z, z, 1e-5f);
}

}  // namespace

// The backdrop quad and the game's own transform are pinned by the headless frame test.
TEST(SetWorldTransform, RotatesThenTranslatesThenScalesTheWhole) {
    // (1, 0, 0) turned onto (0, 1, 0), moved to (1, 1, 0), scaled to (2, 3, 0).
    skarvo::setWorldTransform(1, 0, 0, 2, 3, 1, 1.5707963f);
    expectPoint({1, 0, 0}, 2, 3, 0);
}
