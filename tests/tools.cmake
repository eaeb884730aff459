# Test tools: pcm_match places a sound server's recording of the song in its offline
# render (scripts/test-windows-sound.sh runs it on the Windows build's recordings).
add_library(pcm_match_lib STATIC tools/pcm_match.cpp)
target_include_directories(pcm_match_lib PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/tools)
add_executable(pcm_match tools/pcm_match_main.cpp)
target_link_libraries(pcm_match PRIVATE pcm_match_lib)
skarvo_test(pcm_match_test SOURCES tools/pcm_match_test.cpp LIBS pcm_match_lib)

# What the tools quote from their input reaches the terminal escaped.
skarvo_test(tools_message_test SOURCES tools_message_test.cpp)
target_compile_definitions(tools_message_test PRIVATE
  SKARVO_SIM="$<TARGET_FILE:skarvo-sim>" MXM_TOOL="$<TARGET_FILE:mxm>" SONGC_TOOL="$<TARGET_FILE:songc>"
  IMAGEGEN_TOOL="$<TARGET_FILE:skarvo_imagegen>" PACKER_TOOL="$<TARGET_FILE:skarvo_packer>")
add_dependencies(tools_message_test skarvo-sim mxm songc skarvo_imagegen skarvo_packer)
