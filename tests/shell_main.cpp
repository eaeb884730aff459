// Test entry for the shell tests: the real start-up first, death tests re-run cleanly.
#include <cstdio>
#include <cstdlib>

#include "shell_support.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // Start-up may start the music thread: children of death tests start afresh.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    ::testing::AddGlobalTestEnvironment(new shelltest::StartUpOnce);
    const int result = RUN_ALL_TESTS();
    // Like the game, end without tearing anything down: the music thread may still run.
    std::fflush(nullptr);
    std::_Exit(result);
}
