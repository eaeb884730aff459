# Platform layer: matrices, image decode, pacing, and the drawing code on the headless device.
skarvo_test(platform_tests
  SOURCES platform_image.cpp platform_render.cpp platform_readback.cpp platform_pacing.cpp
  LIBS skarvo_platform_headless skarvo_assets)

# Input translation, and the SDL backend's event path on SDL's dummy video driver.
skarvo_test(platform_sdl_tests SOURCES platform_input.cpp LIBS skarvo_platform_sdl)
