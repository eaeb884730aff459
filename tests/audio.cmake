# Mixer, module validation and the mxm tool.
if(TARGET mxm_audio)
  skarvo_test(audio_mixer_test SOURCES audio_mixer_test.cpp LIBS mxm_audio mxm_builder)
endif()
if(TARGET mxm_player)
  skarvo_test(validate_module_test SOURCES validate_module_test.cpp LIBS mxm_player mxm_builder)
endif()
if(TARGET mxm)
  skarvo_test(mxm_tool_test SOURCES mxm_tool_test.cpp LIBS mxm_builder)
  target_compile_definitions(mxm_tool_test PRIVATE MXM_TOOL="$<TARGET_FILE:mxm>")
  add_dependencies(mxm_tool_test mxm)
endif()
if(TARGET mxm_audio)
  skarvo_test(validate_fuzz_regressions_test
    SOURCES validate_fuzz_regressions_test.cpp fuzz/exercise.cpp
    LIBS mxm_audio mxm_player mxm_builder)
  target_include_directories(validate_fuzz_regressions_test PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/fuzz)
endif()
