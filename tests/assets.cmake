# The embedded block: layout, image formats and the packer's behaviour.
skarvo_test(assets_tests
  SOURCES assets_block.cpp assets_images.cpp assets_packer.cpp
  LIBS skarvo_assets PNG::PNG)
target_compile_definitions(assets_tests PRIVATE
  SKARVO_PACKER="$<TARGET_FILE:skarvo_packer>"
  SKARVO_IMAGEGEN="$<TARGET_FILE:skarvo_imagegen>"
  SKARVO_IMAGE_DIR="${SKARVO_IMAGE_DIR}"
  SKARVO_MODULE_FILE="${SKARVO_MODULE_FILE}")
add_dependencies(assets_tests skarvo_packer skarvo_imagegen)
