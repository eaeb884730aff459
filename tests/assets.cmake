# The embedded block: layout and the packer's behaviour.
skarvo_test(assets_tests SOURCES assets_block.cpp LIBS skarvo_assets ZLIB::ZLIB)
target_compile_definitions(assets_tests PRIVATE
  SKARVO_PACKER="$<TARGET_FILE:skarvo_packer>"
  SKARVO_IMAGE_DIR="${SKARVO_IMAGE_DIR}"
  SKARVO_MODULE_FILE="${SKARVO_MODULE_FILE}")
add_dependencies(assets_tests skarvo_packer)
