# The backends of the Windows build (included by platform/CMakeLists.txt, whose folder
# the paths are relative to). No SDL and no libpng: WIC decodes the game's PNGs, and the
# headless backend is the one that keeps no pixels.

# PNG decoding with WIC, before the shared keying and scaling.
add_library(skarvo_image_wic STATIC windows/image_wic.cpp)
target_link_libraries(skarvo_image_wic PUBLIC skarvo_platform windowscodecs)

# The game and `mxm play`: Win32 window, Direct3D 9, textures, the DirectSound ring
# (dsound.dll loaded by name when the ring opens, so programs start where it is
# missing), thread priority and the exit hooks. d3d9, windowscodecs and winmm are part
# of Windows.
add_library(skarvo_platform_windows OBJECT
  windows/window.cpp windows/d3d9.cpp windows/d3d9_sprite.cpp windows/sound_ring.cpp)
target_link_libraries(skarvo_platform_windows PUBLIC skarvo_image_wic d3d9 winmm user32 gdi32)

# Tests and tools: the caller's clock, events and sound ring, draws kept but never drawn.
add_library(skarvo_platform_headless OBJECT headless/window.cpp headless/log.cpp headless/sound_ring.cpp)
target_link_libraries(skarvo_platform_headless PUBLIC skarvo_platform)

# Tools' standard streams in binary mode (linked by cmake/windows-tools.cmake).
add_library(skarvo_binary_stdio OBJECT windows/binary_stdio.cpp)
