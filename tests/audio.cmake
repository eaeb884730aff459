# Mixer, module validation and the mxm tool.
if(TARGET mxm_audio)
  skarvo_test(audio_mixer_test SOURCES audio_mixer_test.cpp LIBS mxm_audio mxm_builder)
endif()
if(TARGET mxm_player)
  skarvo_test(validate_module_test SOURCES validate_module_test.cpp LIBS mxm_player mxm_builder)
endif()
