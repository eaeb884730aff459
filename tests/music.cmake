# The song compiler: its parser and the songc tool's refusals.
if(NOT TARGET songc_lib)
  # The assets folder normally builds the music; without it, build it here.
  add_subdirectory(${CMAKE_SOURCE_DIR}/assets/music ${CMAKE_BINARY_DIR}/assets/music)
endif()
skarvo_test(music_tests SOURCES music_song_test.cpp LIBS songc_lib)
target_compile_definitions(music_tests PRIVATE
  SKARVO_MUSIC_DIR="${CMAKE_SOURCE_DIR}/assets/music" SKARVO_SONGC="$<TARGET_FILE:songc>")
add_dependencies(music_tests songc)
