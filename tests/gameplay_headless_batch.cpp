// The gameplay tests on the headless backend: the game's own start-up makes the
// device, the real textures and the sprite batch once for the whole binary.
#include "gameplay_fixture.h"
#include "shell/entry.h"

namespace {

struct GameStartUp : ::testing::Environment {
    void SetUp() override { skarvo::startUp(); }
};
[[maybe_unused]] ::testing::Environment* const startUpOnce = ::testing::AddGlobalTestEnvironment(new GameStartUp);

}  // namespace

namespace gameplay_test {
platform::SpriteBatch* testBatch() { return skarvo::spriteBatch(); }
}  // namespace gameplay_test
