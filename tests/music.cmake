# The game's music: the song compiler's parser, tuning and samples, the compiled module,
# and a render of one pass through the real player and mixer.
if(NOT TARGET songc_lib)
  # The assets folder normally builds the music; without it, build it here.
  add_subdirectory(${CMAKE_SOURCE_DIR}/assets/music ${CMAKE_BINARY_DIR}/assets/music)
endif()
set(music_test_sources music_song_test.cpp)
set(music_test_libs songc_lib)
if(TARGET mxm_audio AND TARGET mxm_player)
  list(APPEND music_test_sources music_render_test.cpp)
  list(APPEND music_test_libs mxm_audio mxm_player)
endif()
skarvo_test(music_tests SOURCES ${music_test_sources} LIBS ${music_test_libs})
target_compile_definitions(music_tests PRIVATE
  SKARVO_MUSIC_DIR="${CMAKE_SOURCE_DIR}/assets/music"
  SKARVO_SONG_MODULE="${CMAKE_BINARY_DIR}/assets/music/song.mxm"
  SKARVO_SONGC="$<TARGET_FILE:songc>")
add_dependencies(music_tests song_module)
