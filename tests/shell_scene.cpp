// Scene drawing primitives: the world transform and the backdrop quad.
#include "platform/matrix.h"
#include "platform/render_internal.h"
#include "shell/scene.h"
#include "shell_support.h"

using namespace platform;
using skarvo::game;

namespace {

void expectPoint(const Vec3& p, float x, float y, float z) {
    const Vec3 w = transformPoint(p, game.device->world);
    EXPECT_NEAR(w.x, x, 1e-5f);
    EXPECT_NEAR(w.y, y, 1e-5f);
    EXPECT_NEAR(w.z, z, 1e-5f);
}

}  // namespace

TEST(SetWorldTransform, RotatesThenTranslatesThenScalesTheWhole) {
    // The scale applies to the translation too: the origin goes to (2, 0, 0).
    skarvo::setWorldTransform(1, 0, 0, 2, 2, 2, 0);
    expectPoint({0, 0, 0}, 2, 0, 0);

    // Roll pi/2 turns (1, 0, 0) onto (0, 1, 0) before the move.
    skarvo::setWorldTransform(0, 0, 0, 1, 1, 1, 1.5707963f);
    expectPoint({1, 0, 0}, 0, 1, 0);

    // Turn first, then the unequal scale: (1, 0, 0) → (0, 1, 0) → (0, 3, 0).
    skarvo::setWorldTransform(0, 0, 0, 2, 3, 1, 1.5707963f);
    expectPoint({1, 0, 0}, 0, 3, 0);
}

TEST(BackdropQuad, TexCoordsRewriteOnlyTheirFields) {
    skarvo::setBackdropTexCoords(1.0f, -1.0f);
    const float expect[4][8] = {{-1, 1, 0, 0, 0, -1, 0, -1},
                                {1, 1, 0, 0, 0, -1, 1, -1},
                                {-1, -1, 0, 0, 0, -1, 0, 0},
                                {1, -1, 0, 0, 0, -1, 1, 0}};
    for (int i = 0; i < 4; ++i) {
        const float* v = &skarvo::backdropQuad[i].x;
        for (int k = 0; k < 8; ++k) EXPECT_EQ(v[k], expect[i][k]) << "vertex " << i << " field " << k;
    }
}
