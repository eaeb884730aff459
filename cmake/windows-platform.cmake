# The platform layer of the Windows build (included by platform/CMakeLists.txt).
# Pure code as on Linux; the headless backend is the draw-log one (headless_log.cpp),
# which needs neither SDL nor a PNG decoder.
set(platform_dir ${PROJECT_SOURCE_DIR}/platform)

add_library(skarvo_platform_core STATIC
  ${platform_dir}/matrix.cpp ${platform_dir}/trig.cpp ${platform_dir}/image_scale.cpp ${platform_dir}/input.cpp
  ${platform_dir}/layout.cpp ${platform_dir}/last_error.cpp ${platform_dir}/pacing.cpp ${platform_dir}/win32_exit.cpp)
target_include_directories(skarvo_platform_core PUBLIC ${PROJECT_SOURCE_DIR})
# Scancode values from SDL's header (nothing of SDL is called or linked).
target_include_directories(skarvo_platform_core SYSTEM PRIVATE /usr/include/SDL2 ${PROJECT_SOURCE_DIR}/cmake/windows-sdl-shim)

add_library(skarvo_platform_headless STATIC
  ${platform_dir}/headless_log.cpp ${platform_dir}/headless_window.cpp ${platform_dir}/device_state.cpp
  ${platform_dir}/sprite_batch.cpp ${platform_dir}/backend_common.cpp)
target_link_libraries(skarvo_platform_headless PUBLIC skarvo_platform_core)

add_library(skarvo_sound_ring_headless OBJECT ${platform_dir}/sound/sound_ring_headless.cpp)
target_include_directories(skarvo_sound_ring_headless PUBLIC ${platform_dir}/sound)

# The sound ring on DirectSound. dsound.dll is loaded by name when the ring opens (no
# import library, no GUIDs needed), so programs start where it is missing.
add_library(skarvo_sound_ring_dsound OBJECT ${platform_dir}/sound/sound_ring_dsound.cpp)
target_include_directories(skarvo_sound_ring_dsound PUBLIC ${platform_dir}/sound)
target_link_libraries(skarvo_sound_ring_dsound PUBLIC skarvo_platform_core user32)

# Tools' standard streams in binary mode (linked by cmake/windows-tools.cmake).
add_library(skarvo_binary_stdio OBJECT ${platform_dir}/win32_binary_stdio.cpp)

# The real Windows backend. Window, messages, clock:
add_library(skarvo_platform_win32 STATIC ${platform_dir}/win32_window.cpp)
target_link_libraries(skarvo_platform_win32 PUBLIC skarvo_platform_core winmm)
# and the game's graphics on it: the Direct3D 9 device, textures decoded by WIC, the
# sprite batch. Both DLLs (d3d9, windowscodecs) are part of Windows.
add_library(skarvo_platform_d3d9 STATIC
  ${platform_dir}/d3d9_device.cpp ${platform_dir}/d3d9_texture.cpp ${platform_dir}/d3d9_sprite.cpp
  ${platform_dir}/sprite_batch.cpp ${platform_dir}/image_wic.cpp)
target_link_libraries(skarvo_platform_d3d9 PUBLIC skarvo_platform_win32 d3d9 windowscodecs)
