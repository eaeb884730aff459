# The Windows build's tests (included by tests/CMakeLists.txt), run through Wine by
# `make test-windows`: the pure-code ones shared with Linux, and the Windows backend's
# own. The end-to-end agreement with the Linux build is scripts/test-windows.sh's.

# Cases are listed when CTest runs (through the emulator), not at build time, so
# `make windows` needs no Wine.
set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)

# Shared with Linux: the pure code, and what runs on the headless backend (here the one
# that keeps no pixels). Left out: what needs SDL, libpng, the song compiler or Linux
# processes (the module seeds go through mxm.exe in scripts/test-windows.sh instead).
skarvo_test(player_tests
  SOURCES player_sequencer_test.cpp player_effects_test.cpp
  LIBS mxm_player mxm_builder)
target_include_directories(player_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
skarvo_test(audio_mixer_test SOURCES audio_mixer_test.cpp LIBS mxm_audio mxm_builder)
skarvo_test(validate_module_test SOURCES validate_module_test.cpp LIBS mxm_player mxm_builder)
skarvo_test(sound_stream_test SOURCES sound_stream.cpp LIBS skarvo_sound skarvo_platform_headless mxm_builder)
skarvo_test(sound_thread_test SOURCES sound_thread.cpp LIBS skarvo_sound skarvo_platform_headless mxm_builder)
skarvo_test(math_tests SOURCES math_trig.cpp LIBS skarvo_math)
skarvo_test(gameplay_exact_tests SOURCES gameplay_exact.cpp LIBS skarvo_gameplay)
skarvo_test(gameplay_tests
  SOURCES gameplay_fixture.cpp gameplay_targets.cpp gameplay_shots.cpp gameplay_player.cpp
  LIBS skarvo_shell skarvo_platform_headless)
skarvo_test(platform_pacing_tests SOURCES platform_pacing.cpp LIBS skarvo_platform)
skarvo_test(sim_script_tests SOURCES sim_script.cpp LIBS skarvo_sim_script)

# The texture decoder (WIC) against the expectations the Linux decoder meets too.
skarvo_test(platform_image_tests SOURCES platform_image.cpp LIBS skarvo_image_wic skarvo_assets)

# The real window and Direct3D 9 device need a display: label win32_gui, run by
# scripts/test-windows.sh in Xvfb. One window per program, as in the game. The drawing
# tests are the Linux build's, read back from the device (platform_readback.cpp).
add_executable(platform_windows_tests platform_windows.cpp platform_render.cpp platform_readback.cpp)
target_link_libraries(platform_windows_tests PRIVATE skarvo_platform_windows GTest::gtest GTest::gtest_main)
gtest_discover_tests(platform_windows_tests DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 120 LABELS win32_gui RUN_SERIAL ON)

# The DirectSound ring. Without a device: the sound server pointed nowhere, so open must
# fail cleanly. On a device: only where a sound server answers (scripts/test-windows-sound.sh
# runs it with its own); elsewhere those cases skip. Wine reaches PulseAudio through
# libpulse, which would start a server of its own for a user who runs none: told not
# to, so a test run leaves no daemon behind.
file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/pulse-client.conf "autospawn = no\n")
add_executable(sound_ring_dsound_test sound_ring_dsound.cpp)
target_link_libraries(sound_ring_dsound_test PRIVATE skarvo_sound skarvo_platform_windows skarvo_assets
                      GTest::gtest GTest::gtest_main)
add_test(NAME sound_ring_dsound_without_device COMMAND sound_ring_dsound_test --gtest_filter=DsoundWithoutDevice.*)
set_tests_properties(sound_ring_dsound_without_device PROPERTIES TIMEOUT 120
                     ENVIRONMENT "PULSE_SERVER=unix:/nonexistent/skarvo-no-sound-server")
add_test(NAME sound_ring_dsound_on_device COMMAND sound_ring_dsound_test --gtest_filter=DsoundOnDevice.*)
set_tests_properties(sound_ring_dsound_on_device PROPERTIES TIMEOUT 120 LABELS sound_device RUN_SERIAL ON
                     SKIP_REGULAR_EXPRESSION "\\[  SKIPPED \\]"
                     ENVIRONMENT "PULSE_CLIENTCONFIG=${CMAKE_CURRENT_BINARY_DIR}/pulse-client.conf")
