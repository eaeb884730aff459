# The zip a Windows player downloads: build-windows/skarvo-windows-x64.zip with the
# executables that this build makes and README.txt (CRLF, for Notepad), flat, nothing
# to install. Made by CMake itself, so the build needs no zip program.
set(package_dir ${CMAKE_BINARY_DIR}/package)
set(package_zip ${CMAKE_BINARY_DIR}/skarvo-windows-x64.zip)

configure_file(${PROJECT_SOURCE_DIR}/dist/windows/README.txt ${package_dir}/README.txt @ONLY NEWLINE_STYLE CRLF)

set(package_files)
set(package_copies)
set(package_programs)
foreach(program skarvo mxm skarvo-sim)
  if(TARGET ${program})
    list(APPEND package_files ${program}.exe)
    list(APPEND package_programs ${program})
    list(APPEND package_copies COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:${program}> ${package_dir}/)
  endif()
endforeach()
list(APPEND package_files README.txt)

# Stale copies (a program the build no longer makes) must not reach the zip: it lists
# only the names above, and is written anew each time.
add_custom_command(OUTPUT ${package_zip}
  ${package_copies}
  COMMAND ${CMAKE_COMMAND} -E rm -f ${package_zip}
  COMMAND ${CMAKE_COMMAND} -E tar cf ${package_zip} --format=zip -- ${package_files}
  WORKING_DIRECTORY ${package_dir}
  DEPENDS ${package_dir}/README.txt ${package_programs}
  COMMENT "Packing ${package_zip}")
add_custom_target(skarvo_zip ALL DEPENDS ${package_zip})
