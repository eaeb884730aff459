# Runs inside CPack on the staged install tree before the .deb is made: moves the game
# to /usr/games (the tools stay in /usr/bin), compresses the man pages, and adds what every
# Debian package carries in /usr/share/doc and the lintian overrides.
set(usr "${CPACK_TEMPORARY_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}")
set(src "${CPACK_SKARVO_DEB_DIR}")
set(doc "${usr}/share/doc/${CPACK_PACKAGE_NAME}")

function(gzip_to input output)
  execute_process(COMMAND gzip -9nc "${input}" OUTPUT_FILE "${output}" COMMAND_ERROR_IS_FATAL ANY)
  file(CHMOD "${output}" PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
endfunction()

if(NOT EXISTS "${usr}/bin/skarvo")
  message(FATAL_ERROR "layout: the staged tree has no ${usr}/bin/skarvo")
endif()
file(MAKE_DIRECTORY "${usr}/games")
file(RENAME "${usr}/bin/skarvo" "${usr}/games/skarvo")

# An absolute Exec: root's PATH and some sessions' have no /usr/games.
file(GLOB desktops "${usr}/share/applications/*.desktop")
foreach(desktop IN LISTS desktops)
  file(READ "${desktop}" text)
  string(REGEX REPLACE "\nExec=skarvo" "\nExec=/usr/games/skarvo" text "${text}")
  file(WRITE "${desktop}" "${text}")
endforeach()

file(GLOB pages "${usr}/share/man/man*/*")
foreach(page IN LISTS pages)
  gzip_to("${page}" "${page}.gz")
  file(REMOVE "${page}")
endforeach()

# The changelog's newest entry must be the version being packaged.
file(STRINGS "${src}/changelog" top LIMIT_COUNT 1)
if(NOT top MATCHES "^${CPACK_PACKAGE_NAME} \\(${CPACK_PACKAGE_VERSION}\\) ")
  message(FATAL_ERROR "layout: dist/deb/changelog starts with '${top}', not version ${CPACK_PACKAGE_VERSION}")
endif()
file(MAKE_DIRECTORY "${doc}" "${usr}/share/lintian/overrides")
gzip_to("${src}/changelog" "${doc}/changelog.gz")
file(COPY_FILE "${src}/copyright" "${doc}/copyright")
file(COPY_FILE "${src}/lintian-overrides" "${usr}/share/lintian/overrides/${CPACK_PACKAGE_NAME}")
file(CHMOD "${doc}/copyright" "${usr}/share/lintian/overrides/${CPACK_PACKAGE_NAME}"
  PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
