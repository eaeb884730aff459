# The native half of a cross build (SKARVO_HOST_TOOLS_ONLY): the generators of the
# embedded block come from assets/ as usual; this adds a writer of test modules, so the
# cross-built mxm can be checked against the native one on modules made by mxm_builder.
add_executable(skarvo_test_modules ${PROJECT_SOURCE_DIR}/tests/fuzz/seed_writer.cpp)
target_link_libraries(skarvo_test_modules PRIVATE mxm_builder skarvo_pixelart)
