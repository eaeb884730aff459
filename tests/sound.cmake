# Sound output: the streaming iteration and start-up on the headless ring, the thread
# itself (labelled threaded). The real SDL output through its disk driver is checked
# by the end-to-end sound test and mxm play below.
skarvo_test(sound_stream_test SOURCES sound_stream.cpp LIBS skarvo_sound skarvo_platform_headless mxm_builder)
add_executable(sound_thread_test sound_thread.cpp)
target_link_libraries(sound_thread_test PRIVATE skarvo_sound skarvo_platform_headless mxm_builder
                      GTest::gtest GTest::gtest_main)
gtest_discover_tests(sound_thread_test DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 300 LABELS threaded)

# mxm play: no sound output is a clear message and status 1; on the disk driver it
# plays through the game's path and ends by itself with --seconds.
add_test(NAME sound_mxm_play_without_output
         COMMAND sh -c "$<TARGET_FILE:mxm> play --embedded </dev/null 2>err.txt; s=$?; cat err.txt; [ $s -eq 1 ] && grep -q 'no sound output' err.txt"
         WORKING_DIRECTORY ${SKARVO_ARTIFACTS})
set_tests_properties(sound_mxm_play_without_output PROPERTIES ENVIRONMENT "SDL_AUDIODRIVER=no-such-driver")
add_test(NAME sound_mxm_play_disk
         COMMAND sh -c "$<TARGET_FILE:mxm> play --embedded --seconds 1 </dev/null >out.txt && grep -q 'order' out.txt"
         WORKING_DIRECTORY ${SKARVO_ARTIFACTS})
set_tests_properties(sound_mxm_play_disk PROPERTIES LABELS threaded
                     ENVIRONMENT "SDL_AUDIODRIVER=disk;SDL_DISKAUDIOFILE=${SKARVO_ARTIFACTS}/mxm_play_disk.raw")
