# Cross-compiling to WebAssembly with Debian's emscripten (em++ 3.1.6), for the page
# and for node (the tools):
#   cmake -S . -B build-web -G Ninja --toolchain cmake/emscripten.cmake -DSKARVO_WEB_LIBS=DIR
# DIR holds libpng and zlib built with emcc (scripts/web-libs.sh). SKARVO_WEB_THREADS=ON
# builds the threaded page instead (cmake/web-page.cmake makes that build itself).
include(/usr/share/emscripten/cmake/Modules/Platform/Emscripten.cmake)

# C++ exceptions are caught: the streaming thread that cannot be made (a page without
# threads) is reported by std::thread as one, and the game runs on without it.
set(CMAKE_C_FLAGS_INIT "-fexceptions")
set(CMAKE_CXX_FLAGS_INIT "-fexceptions")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-fexceptions")
if(SKARVO_WEB_THREADS)
  string(APPEND CMAKE_C_FLAGS_INIT " -pthread")
  string(APPEND CMAKE_CXX_FLAGS_INIT " -pthread")
  string(APPEND CMAKE_EXE_LINKER_FLAGS_INIT " -pthread")
endif()

# libpng and zlib from Debian's sources, built for WebAssembly.
if(SKARVO_WEB_LIBS)
  set(PNG_LIBRARY ${SKARVO_WEB_LIBS}/lib/libpng.a CACHE FILEPATH "libpng for WebAssembly")
  set(PNG_PNG_INCLUDE_DIR ${SKARVO_WEB_LIBS}/include CACHE PATH "")
  set(ZLIB_LIBRARY ${SKARVO_WEB_LIBS}/lib/libz.a CACHE FILEPATH "zlib for WebAssembly")
  set(ZLIB_INCLUDE_DIR ${SKARVO_WEB_LIBS}/include CACHE PATH "")
endif()
