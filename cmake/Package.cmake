# `cpack` in a build folder makes paceforge_<version>_<arch>.deb from the install rules; the
# version is project(VERSION)'s. scripts/package builds it from a Release build.

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME paceforge)
set(CPACK_PACKAGE_VENDOR "The Paceforge developers")
set(CPACK_PACKAGE_CONTACT "The Paceforge developers <developers@paceforge.io>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "workout editor for the Nike+iPod sport kit")
# Debian wants the long description in lines under 80 columns; CPack keeps these line breaks.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "Paceforge finds the iPods among the mounted drives and lists the workouts"
  "that the Nike+iPod sport kit stored on the chosen one. It adds a workout"
  "typed in by hand and corrects an existing one in place, writing every file"
  "atomically and keeping a copy of each file it replaces outside the iPod."
  "From the command line it lists the workouts and exports them as TCX or CSV.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://paceforge.io/")
# dpkg-shlibdeps turns the libraries the program links into Depends.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)

# Debian's places for the licence and the changelog (compressed, without the build's time).
set(package_doc ${CMAKE_INSTALL_DATADIR}/doc/paceforge)
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${package_doc} RENAME copyright)
configure_file(${CMAKE_CURRENT_LIST_DIR}/changelog.in ${PROJECT_BINARY_DIR}/package/changelog @ONLY)
add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/package/changelog.gz
  COMMAND gzip -9 -n -k -f ${PROJECT_BINARY_DIR}/package/changelog
  DEPENDS ${PROJECT_BINARY_DIR}/package/changelog)
add_custom_target(package_changelog ALL DEPENDS ${PROJECT_BINARY_DIR}/package/changelog.gz)
install(FILES ${PROJECT_BINARY_DIR}/package/changelog.gz DESTINATION ${package_doc})

include(CPack)
