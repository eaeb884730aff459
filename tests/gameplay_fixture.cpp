// The game's own start-up, once for the whole gameplay test binary.
#include "gameplay_fixture.h"

namespace {

struct GameStartUp : ::testing::Environment {
    void SetUp() override { skarvo::startUp(); }
};
[[maybe_unused]] ::testing::Environment* const startUpOnce = ::testing::AddGlobalTestEnvironment(new GameStartUp);

}  // namespace
