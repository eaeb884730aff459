# Gameplay unit tests, on the headless backend with the game's own start-up.
set(gameplay_test_sources
  gameplay_fixture.cpp gameplay_entity.cpp gameplay_targets.cpp gameplay_shots.cpp gameplay_player.cpp
  gameplay_headless_batch.cpp)
if(TARGET skarvo_shell AND TARGET skarvo_platform_headless)
  set(gameplay_libs skarvo_shell skarvo_gameplay skarvo_platform_headless)
  if(TARGET skarvo_sound_ring_headless)
    list(APPEND gameplay_libs skarvo_sound_ring_headless)
  endif()
  skarvo_test(gameplay_tests SOURCES ${gameplay_test_sources} LIBS ${gameplay_libs})
endif()

# skarvo-sim: its script reader, and the replays in data/replays run through the tool.
if(TARGET skarvo-sim)
  skarvo_test(sim_tests SOURCES sim_script.cpp sim_replays.cpp LIBS skarvo_sim_script)
  target_compile_definitions(sim_tests PRIVATE SKARVO_SIM="$<TARGET_FILE:skarvo-sim>")
  add_dependencies(sim_tests skarvo-sim)
endif()

# Once-rounded float arithmetic and the trigonometry it is fed, without a game world.
if(TARGET skarvo_gameplay)
  skarvo_test(gameplay_exact_tests SOURCES gameplay_exact.cpp LIBS skarvo_gameplay)
endif()
