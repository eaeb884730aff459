// Scene drawing primitives: the world transform and the backdrop quad.
#include "platform/matrix.h"
#include "platform/render_internal.h"
#include "shell/scene.h"
#include "shell_support.h"

using namespace platform;
using skarvo::game;

namespace {

Vec3 world(const Vec3& p) { return transformPoint(p, game.device->world); }

void expectPoint(const Vec3& p, float x, float y, float z) {
    EXPECT_NEAR(p.x, x, 1e-5f);
    EXPECT_NEAR(p.y, y, 1e-5f);
    EXPECT_NEAR(p.z, z, 1e-5f);
}

}  // namespace

TEST(SetWorldTransform, RotatesThenTranslatesThenScalesTheWhole) {
    // The scale applies to the translation too: the origin goes to (2, 0, 0).
    skarvo::setWorldTransform(1, 0, 0, 2, 2, 2, 0);
    expectPoint(world({0, 0, 0}), 2, 0, 0);

    // Roll pi/2 turns (1, 0, 0) onto (0, 1, 0) before the move.
    skarvo::setWorldTransform(0, 0, 0, 1, 1, 1, 1.5707963f);
    expectPoint(world({1, 0, 0}), 0, 1, 0);

    // Translation, then scale: (1, 1, 1) → (4, -1, 1.5) → (8, -3, 6).
    skarvo::setWorldTransform(3, -2, 0.5f, 2, 3, 4, 0);
    expectPoint(world({1, 1, 1}), 8, -3, 6);

    // Turn first, then the unequal scale: (1, 0, 0) → (0, 1, 0) → (0, 3, 0).
    skarvo::setWorldTransform(0, 0, 0, 2, 3, 1, 1.5707963f);
    expectPoint(world({1, 0, 0}), 0, 3, 0);

    // The backdrop's own: depth 0.9, nothing else.
    skarvo::setWorldTransform(0, 0, 0.9f, 1, 1, 1, 0);
    expectPoint(world({-1, 1, 0}), -1, 1, 0.9f);
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
