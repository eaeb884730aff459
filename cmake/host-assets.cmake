# The embedded block of a cross build. Its generators (image generator, song compiler,
# packer) must run on the build machine, so a native sub-build of this same source tree
# (SKARVO_HOST_TOOLS_ONLY) makes the block's C++ source, and the cross build compiles
# it. The sub-build is checked at every build, so edited images or songs are picked up.
include(ExternalProject)

# A second cross build of this tree (the web build's threaded page) takes the block the
# first one made.
if(SKARVO_EMBEDDED_BLOCK)
  add_library(skarvo_assets STATIC ${CMAKE_CURRENT_SOURCE_DIR}/embedded.cpp ${SKARVO_EMBEDDED_BLOCK})
  target_include_directories(skarvo_assets PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
  return()
endif()

set(SKARVO_HOST_DIR ${CMAKE_BINARY_DIR}/host CACHE INTERNAL "Native build of the generators")
set(host_block ${SKARVO_HOST_DIR}/assets/embedded_block.cpp)
set(host_args
  -DCMAKE_BUILD_TYPE=Release
  -DCMAKE_C_COMPILER=cc -DCMAKE_CXX_COMPILER=c++
  -DSKARVO_HOST_TOOLS_ONLY=ON -DSKARVO_TESTS=OFF -DSKARVO_BENCH=OFF)
foreach(lang C CXX)
  if(CMAKE_${lang}_COMPILER_LAUNCHER)
    list(APPEND host_args -DCMAKE_${lang}_COMPILER_LAUNCHER=${CMAKE_${lang}_COMPILER_LAUNCHER})
  endif()
endforeach()

ExternalProject_Add(skarvo_host_tools
  SOURCE_DIR ${PROJECT_SOURCE_DIR}
  BINARY_DIR ${SKARVO_HOST_DIR}
  CMAKE_GENERATOR Ninja
  CMAKE_ARGS ${host_args}
  # Only the block's source and the test-module writer: the native library is not needed.
  BUILD_COMMAND ${CMAKE_COMMAND} --build <BINARY_DIR> --target assets/embedded_block.cpp skarvo_test_modules
  INSTALL_COMMAND ""
  BUILD_ALWAYS ON
  BUILD_BYPRODUCTS ${host_block} ${SKARVO_HOST_DIR}/skarvo_test_modules
  USES_TERMINAL_BUILD ON)

add_library(skarvo_assets STATIC ${CMAKE_CURRENT_SOURCE_DIR}/embedded.cpp ${host_block})
target_include_directories(skarvo_assets PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
add_dependencies(skarvo_assets skarvo_host_tools)

set(SKARVO_IMAGE_DIR ${SKARVO_HOST_DIR}/assets/images CACHE INTERNAL "Built PNG images of the embedded block")
