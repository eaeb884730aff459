# Game shell: the real start-up and frames on the headless backend. (What a frame shows
# is the end-to-end test's and the checked-in replays'.)
add_executable(shell_tests shell_main.cpp shell_input.cpp)
target_link_libraries(shell_tests PRIVATE skarvo_shell skarvo_platform_headless GTest::gtest)
gtest_discover_tests(shell_tests DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 300)
