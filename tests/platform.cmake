# Platform layer: matrices, image decode, input translation, and the headless device.
if(TARGET skarvo_platform_headless)
  skarvo_test(platform_tests
    SOURCES platform_matrix.cpp platform_image.cpp platform_render.cpp platform_input.cpp
    LIBS skarvo_platform_headless)
endif()
