# Platform layer: matrices, image decode, pacing, and the drawing code on the headless device.
skarvo_test(platform_tests
  SOURCES platform_image.cpp platform_render.cpp platform_pacing.cpp
          platform_image_formats.cpp
  LIBS skarvo_platform_headless skarvo_assets)

# The real window under a window manager in a private X server (label e2e).
find_package(X11 REQUIRED)
add_executable(platform_e2e_test platform_e2e.cpp e2e/xserver.cpp e2e/process.cpp)
target_include_directories(platform_e2e_test PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(platform_e2e_test PRIVATE X11::X11 X11::Xfixes PNG::PNG GTest::gtest GTest::gtest_main)
target_compile_definitions(platform_e2e_test PRIVATE
  SKARVO_ARTIFACTS="${SKARVO_ARTIFACTS}" SKARVO_BINARY="$<TARGET_FILE:skarvo>")
add_dependencies(platform_e2e_test skarvo)
gtest_discover_tests(platform_e2e_test DISCOVERY_TIMEOUT 60
  PROPERTIES LABELS e2e TIMEOUT 240 RESOURCE_LOCK skarvo_e2e)

# Input translation, and the SDL backend's event path on SDL's dummy video driver.
skarvo_test(platform_sdl_tests SOURCES platform_input.cpp LIBS skarvo_platform_sdl)
