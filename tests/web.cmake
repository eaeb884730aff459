# The texel hash of every embedded image, decoded as the Linux game decodes it; make
# test-web compares it with the same program built for node (cmake/web-page.cmake).
add_executable(texel_hash web/texel_hash.cpp)
target_link_libraries(texel_hash PRIVATE skarvo_image_png skarvo_assets)
