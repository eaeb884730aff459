# What the web build makes (included by CMakeLists.txt under emscripten):
#   index.html, skarvo-audio.js          the page and its sound worklet, as written
#   skarvo.js, skarvo.wasm               the game without threads, for any page
#   skarvo-mt.js, .wasm, .worker.js      the game with threads, for cross-origin isolated
#                                        pages (a second build of this tree, in threads/)
#   skarvo-web.zip                       the page's files, to upload to any static host
#   tools/mxm.js, tools/skarvo-sim.js    the tools for node (plus their .wasm)
# all in the build folder. The embedded block comes from the native generators
# (cmake/host-assets.cmake), made once for both builds of the game.
set(web_dir ${PROJECT_SOURCE_DIR}/platform/web)
set(SKARVO_WEB_PAGE_DIR ${CMAKE_BINARY_DIR} CACHE PATH "Where the page's files are written")

# The game: shell/ on the web backend, with the test mode's frame printer.
add_executable(skarvo ${web_dir}/main.cpp ${PROJECT_SOURCE_DIR}/tools/sim/frame_json.cpp)
target_link_libraries(skarvo PRIVATE skarvo_shell skarvo_platform_web)
set_target_properties(skarvo PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${SKARVO_WEB_PAGE_DIR})
target_link_options(skarvo PRIVATE
  -sINITIAL_MEMORY=33554432  # fixed: the worklet holds on to the memory of the threaded build
  -sMAX_WEBGL_VERSION=1
  -sEXPORTED_FUNCTIONS=_main,_malloc,_free
  -sEXPORTED_RUNTIME_METHODS=UTF8ToString)
if(SKARVO_WEB_THREADS)
  # One worker made ready before the game starts: the streaming thread's.
  set_target_properties(skarvo PROPERTIES OUTPUT_NAME skarvo-mt)
  target_link_options(skarvo PRIVATE -sENVIRONMENT=web,worker -sPTHREAD_POOL_SIZE=1)
  return()
endif()
target_link_options(skarvo PRIVATE -sENVIRONMENT=web)

include(ExternalProject)
set(threads_outputs ${SKARVO_WEB_PAGE_DIR}/skarvo-mt.js ${SKARVO_WEB_PAGE_DIR}/skarvo-mt.wasm
                    ${SKARVO_WEB_PAGE_DIR}/skarvo-mt.worker.js)
ExternalProject_Add(skarvo_web_threads
  SOURCE_DIR ${PROJECT_SOURCE_DIR}
  BINARY_DIR ${CMAKE_BINARY_DIR}/threads
  CMAKE_GENERATOR Ninja
  CMAKE_ARGS
    --toolchain ${PROJECT_SOURCE_DIR}/cmake/emscripten.cmake --no-warn-unused-cli
    -DCMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE} -DSKARVO_WEB_THREADS=ON -DSKARVO_WEB_LIBS=${SKARVO_WEB_LIBS}
    -DSKARVO_WEB_PAGE_DIR=${SKARVO_WEB_PAGE_DIR} -DSKARVO_EMBEDDED_BLOCK=${SKARVO_HOST_DIR}/assets/embedded_block.cpp
    -DSKARVO_TESTS=OFF -DSKARVO_BENCH=OFF
  BUILD_COMMAND ${CMAKE_COMMAND} --build <BINARY_DIR> --target skarvo
  INSTALL_COMMAND ""
  BUILD_ALWAYS ON
  BUILD_BYPRODUCTS ${threads_outputs}
  USES_TERMINAL_BUILD ON)
add_dependencies(skarvo_web_threads skarvo_host_tools)

# The page's own files, and the zip of everything the page needs.
set(page_sources index.html skarvo-audio.js)
set(page_copies)
foreach(f ${page_sources})
  add_custom_command(OUTPUT ${SKARVO_WEB_PAGE_DIR}/${f}
    COMMAND ${CMAKE_COMMAND} -E copy ${web_dir}/${f} ${SKARVO_WEB_PAGE_DIR}/${f}
    DEPENDS ${web_dir}/${f})
  list(APPEND page_copies ${SKARVO_WEB_PAGE_DIR}/${f})
endforeach()
set(page_files ${page_sources} skarvo.js skarvo.wasm skarvo-mt.js skarvo-mt.wasm skarvo-mt.worker.js)
set(page_zip ${SKARVO_WEB_PAGE_DIR}/skarvo-web.zip)
add_custom_command(OUTPUT ${page_zip}
  COMMAND ${CMAKE_COMMAND} -E rm -f ${page_zip}
  COMMAND ${CMAKE_COMMAND} -E tar cf ${page_zip} --format=zip -- ${page_files}
  WORKING_DIRECTORY ${SKARVO_WEB_PAGE_DIR}
  DEPENDS ${page_copies} skarvo ${threads_outputs} skarvo_web_threads
  COMMENT "Packing ${page_zip}")
add_custom_target(skarvo_web_zip ALL DEPENDS ${page_zip})

# The tools for node: real files through node's own file system, exit codes and
# binary standard streams as on Linux, the .wasm read synchronously beside the .js.
foreach(tool mxm skarvo-sim)
  if(TARGET ${tool})
    set_target_properties(${tool} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tools)
    target_link_options(${tool} PRIVATE -sENVIRONMENT=node -sNODERAWFS=1 -sFORCE_FILESYSTEM=1 -sEXIT_RUNTIME=1
                        -sWASM_ASYNC_COMPILATION=0 -sALLOW_MEMORY_GROWTH=1 -sEXPORTED_FUNCTIONS=_main,_umask
                        --pre-js ${web_dir}/node_tools.js)
    set_property(TARGET ${tool} APPEND PROPERTY LINK_DEPENDS ${web_dir}/node_tools.js)
  endif()
endforeach()

# For make test-web: the texel hash of every embedded image, decoded here as in the page
# (tests/web/texel_hash.cpp; the Linux build makes the same program).
add_executable(texel_hash EXCLUDE_FROM_ALL ${PROJECT_SOURCE_DIR}/tests/web/texel_hash.cpp)
target_link_libraries(texel_hash PRIVATE skarvo_image_png skarvo_assets)
set_target_properties(texel_hash PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
target_link_options(texel_hash PRIVATE -sENVIRONMENT=node -sEXIT_RUNTIME=1 -sWASM_ASYNC_COMPILATION=0
                    -sALLOW_MEMORY_GROWTH=1)
