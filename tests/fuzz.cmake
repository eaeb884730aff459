# The fuzzers' stored inputs (data/fuzz-regressions, data/fuzz-seeds) replayed through
# the fuzz targets' own functions (fuzz/exercise.h), in the normal build.
if(TARGET mxm_audio AND TARGET songc_lib AND TARGET skarvo_pixelart AND TARGET skarvo_image_png
   AND TARGET skarvo_sim_script)
  skarvo_test(validate_fuzz_regressions_test
    SOURCES validate_fuzz_regressions_test.cpp fuzz/exercise.cpp fuzz/exercise_music.cpp
            fuzz/exercise_images.cpp fuzz/exercise_replay.cpp
    LIBS mxm_audio mxm_player mxm_builder songc_lib skarvo_pixelart skarvo_image_png skarvo_sim_script)
  target_include_directories(validate_fuzz_regressions_test PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/fuzz)
  target_compile_definitions(validate_fuzz_regressions_test PRIVATE SKARVO_MUSIC_DIR="${CMAKE_SOURCE_DIR}/assets/music")
endif()
