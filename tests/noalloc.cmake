# Heap allocations after start-up, counted through a malloc replacement. Sanitizers
# replace malloc themselves, so the test exists only in plain builds.
if(SKARVO_SANITIZE STREQUAL "")
  add_executable(noalloc_test noalloc_test.cpp)
  target_include_directories(noalloc_test PRIVATE ${CMAKE_SOURCE_DIR})
  target_link_libraries(noalloc_test PRIVATE skarvo_shell skarvo_platform_headless skarvo_sound
                        ${CMAKE_DL_LIBS} GTest::gtest GTest::gtest_main)
  # Traces name our functions only when the executable exports its symbols.
  set_target_properties(noalloc_test PROPERTIES ENABLE_EXPORTS ON)
  gtest_discover_tests(noalloc_test DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 300)
endif()
