# Module player: format, loader, sequencer, effect commands, instruments.
if(TARGET mxm_player AND TARGET mxm_builder)
  skarvo_test(player_tests
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/player_sequencer_test.cpp ${CMAKE_CURRENT_SOURCE_DIR}/player_effects_test.cpp
    LIBS mxm_player mxm_builder)
endif()
