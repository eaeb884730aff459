# Mixer, module validation and the mxm tool.
if(TARGET mxm_audio)
  skarvo_test(audio_mixer_test SOURCES audio_mixer_test.cpp LIBS mxm_audio mxm_builder)
endif()
