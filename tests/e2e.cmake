# End-to-end tests: the real game in a private Xvfb (label e2e), and the install tree.
# scripts/test-windows.sh runs the same e2e_test on the Windows game under Wine.
if(TARGET skarvo AND TARGET skarvo_assets)
  find_package(X11 REQUIRED)
  if(TARGET mxm)
    set(e2e_mxm $<TARGET_FILE:mxm>)
  else()
    set(e2e_mxm "")
  endif()
  add_executable(e2e_test e2e/e2e_test.cpp e2e/screen_check.cpp e2e/xserver.cpp e2e/process.cpp)
  target_include_directories(e2e_test PRIVATE ${CMAKE_SOURCE_DIR}/assets)
  target_link_libraries(e2e_test PRIVATE skarvo_assets skarvo_platform X11::X11 X11::Xfixes PNG::PNG GTest::gtest GTest::gtest_main)
  target_compile_definitions(e2e_test PRIVATE
    SKARVO_ARTIFACTS="${SKARVO_ARTIFACTS}"
    SKARVO_BINARY="$<TARGET_FILE:skarvo>"
    MXM_BINARY="${e2e_mxm}")
  add_dependencies(e2e_test skarvo)
  if(TARGET mxm)
    add_dependencies(e2e_test mxm)
  endif()
  # One game at a time: they share the machine's two cores with the rest of the suite.
  gtest_discover_tests(e2e_test DISCOVERY_TIMEOUT 60
    PROPERTIES LABELS e2e TIMEOUT 240 RESOURCE_LOCK skarvo_e2e)

  # The music survives the sound server's restart (a private PulseAudio).
  if(TARGET mxm)
    add_test(NAME sound_device_loss
      COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/e2e/sound_device_loss.sh $<TARGET_FILE:skarvo> $<TARGET_FILE:mxm>
              $<TARGET_FILE:pcm_match> ${SKARVO_ARTIFACTS})
    set_tests_properties(sound_device_loss PROPERTIES LABELS e2e TIMEOUT 240 RESOURCE_LOCK skarvo_e2e)
  endif()

endif()

# The install tree: programs, desktop entry, metainfo, icons and man pages.
set(installed_programs)
foreach(program skarvo mxm skarvo-sim)
  if(TARGET ${program})
    list(APPEND installed_programs ${program})
  endif()
endforeach()
add_test(NAME install_tree
  COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/e2e/install_check.sh ${CMAKE_BINARY_DIR} ${PROJECT_VERSION} ${installed_programs})
set_tests_properties(install_tree PROPERTIES LABELS install TIMEOUT 120)
