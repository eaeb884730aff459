# Gameplay unit tests, on the headless backend with the game's own start-up and world steps.
skarvo_test(gameplay_tests
  SOURCES gameplay_fixture.cpp gameplay_targets.cpp gameplay_shots.cpp gameplay_player.cpp
  LIBS skarvo_shell skarvo_platform_headless)

# skarvo-sim: its script reader, and the replays in data/replays run through the tool.
skarvo_test(sim_tests SOURCES sim_script.cpp sim_replays.cpp LIBS skarvo_sim_script)
target_compile_definitions(sim_tests PRIVATE SKARVO_SIM="$<TARGET_FILE:skarvo-sim>")
add_dependencies(sim_tests skarvo-sim)

# Once-rounded float arithmetic and the trigonometry it is fed, without a game world.
skarvo_test(gameplay_exact_tests SOURCES gameplay_exact.cpp LIBS skarvo_gameplay)
