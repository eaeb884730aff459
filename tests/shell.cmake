# Game shell: the real start-up and frames on the headless backend.
add_executable(shell_tests shell_main.cpp shell_input.cpp shell_frame.cpp)
target_link_libraries(shell_tests PRIVATE skarvo_shell skarvo_platform_headless PNG::PNG GTest::gtest)
target_compile_definitions(shell_tests PRIVATE SKARVO_ARTIFACTS="${SKARVO_ARTIFACTS}")
gtest_discover_tests(shell_tests DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 300)
