# The platform layer of the web build (included by platform/CMakeLists.txt): PNG
# decoding with libpng built for WebAssembly, the browser backend, and for the node
# tools the headless backend that keeps no pixels (as on Windows).
add_library(skarvo_image_png STATIC image_png.cpp)
target_link_libraries(skarvo_image_png PUBLIC skarvo_platform PNG::PNG)

# The page: html5 events, WebGL 1, an AudioWorklet (platform/web/).
add_library(skarvo_platform_web OBJECT web/window.cpp web/render.cpp web/sound_ring.cpp)
target_link_libraries(skarvo_platform_web PUBLIC skarvo_image_png)

add_library(skarvo_platform_headless OBJECT headless/window.cpp headless/log.cpp headless/sound_ring.cpp)
target_link_libraries(skarvo_platform_headless PUBLIC skarvo_platform)
