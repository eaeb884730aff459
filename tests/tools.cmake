# Test tools: pcm_match places a sound server's recording of the song in its offline
# render (scripts/test-windows-sound.sh runs it on the Windows build's recordings).
add_library(pcm_match_lib STATIC tools/pcm_match.cpp)
target_include_directories(pcm_match_lib PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/tools)
add_executable(pcm_match tools/pcm_match_main.cpp)
target_link_libraries(pcm_match PRIVATE pcm_match_lib)
skarvo_test(pcm_match_test SOURCES tools/pcm_match_test.cpp LIBS pcm_match_lib)
