# The game's music: the song compiler's parser and the compiled module.
if(NOT TARGET songc_lib)
  # Until the assets folder includes it, build the music here.
  add_subdirectory(${CMAKE_SOURCE_DIR}/assets/music ${CMAKE_BINARY_DIR}/assets/music)
endif()
skarvo_test(music_tests SOURCES music_song_test.cpp LIBS songc_lib)
target_compile_definitions(music_tests PRIVATE
  SKARVO_MUSIC_DIR="${CMAKE_SOURCE_DIR}/assets/music"
  SKARVO_SONG_MODULE="${CMAKE_BINARY_DIR}/assets/music/song.mxm")
add_dependencies(music_tests song_module)
