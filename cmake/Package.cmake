# The Debian package, built with CPack from the install rules:
#   cmake --build build && (cd build && cpack -G DEB)
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tarvelo)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Tarvelo team")
set(CPACK_PACKAGE_CONTACT "The Tarvelo team <${TARVELO_CONTACT}>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# The program, tarvelo-grant and the polkit action carry the installed paths
# of the helper and the grant program, fixed when they are built.
if(NOT CMAKE_INSTALL_PREFIX STREQUAL CPACK_PACKAGING_INSTALL_PREFIX)
  message(WARNING "The Debian package installs under ${CPACK_PACKAGING_INSTALL_PREFIX}, but this build names "
                  "${CMAKE_INSTALL_PREFIX}: configure with -DCMAKE_INSTALL_PREFIX=${CPACK_PACKAGING_INSTALL_PREFIX} "
                  "to package it, or its \"Allow…\" is never offered.")
endif()
set(CPACK_STRIP_FILES TRUE)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "make the computer feel faster from the notification area")
set(CPACK_PACKAGE_DESCRIPTION [=[
Tarvelo is a small tray utility that makes the computer feel faster in three
ways: it raises the priority of the program in front, limits the CPU time of
up to three chosen processes, and releases the memory of every process, now
or at an interval. A Status page shows a live diagram of the CPU load, the
memory, the page file, the virtual memory and the free disk space.

The program itself runs without any privilege. Raising the priority of other
programs and releasing their memory need the capability CAP_SYS_NICE: when
the package holds Tarvelo's small privilege helper, tarvelo-priv, the
post-installation step gives that helper, and nothing else, the capability
CAP_SYS_NICE (setcap cap_sys_nice+ep). The helper acts only on the processes
of the user who asks it, and serves only a user at the machine's seat or a
member of the group tarvelo, which the package creates.]=])

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${TARVELO_HOMEPAGE})
# The libraries the program links, as dpkg-shlibdeps finds them, and setcap
# for the post-installation step; pkexec for "Allow…", xdg-utils to open web links.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libcap2-bin")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "pkexec, xdg-utils")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

set(debian_dir ${CMAKE_BINARY_DIR}/debian)
set(TARVELO_PACKAGE_HELPER
    ${CPACK_PACKAGING_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBEXECDIR}/tarvelo/tarvelo-priv)
configure_file(${CMAKE_CURRENT_LIST_DIR}/debian/postinst.in ${debian_dir}/postinst @ONLY)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${debian_dir}/postinst)

# The package's change log, compressed without a time stamp, goes in through
# a script that CPack runs while staging: it belongs to the package only.
find_program(GZIP_EXECUTABLE gzip REQUIRED)
execute_process(COMMAND date -u -R -d "${TARVELO_RELEASE_DATE} 12:00"
  OUTPUT_VARIABLE TARVELO_CHANGELOG_DATE OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
configure_file(${CMAKE_CURRENT_LIST_DIR}/debian/changelog.in ${debian_dir}/changelog.Debian @ONLY)
set(TARVELO_DEBIAN_CHANGELOG ${debian_dir}/changelog.Debian.gz)
add_custom_command(
  OUTPUT ${TARVELO_DEBIAN_CHANGELOG}
  COMMAND ${GZIP_EXECUTABLE} -9 -n -c ${debian_dir}/changelog.Debian > ${TARVELO_DEBIAN_CHANGELOG}
  DEPENDS ${debian_dir}/changelog.Debian)
add_custom_target(tarvelo_debian_changelog ALL DEPENDS ${TARVELO_DEBIAN_CHANGELOG})
configure_file(${CMAKE_CURRENT_LIST_DIR}/debian/InstallDocs.cmake.in ${debian_dir}/InstallDocs.cmake @ONLY)
set(CPACK_INSTALL_SCRIPTS ${debian_dir}/InstallDocs.cmake)

include(CPack)
