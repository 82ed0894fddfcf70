# What `cmake --install` puts where, and the packages CPack makes from it:
# a .deb from the Linux build, a zip of tovrix.exe and README.md from the
# Windows build.
include(GNUInstallDirs)

if(WIN32)
  # The zip holds the program and the README side by side.
  install(TARGETS tovrix RUNTIME DESTINATION .)
  install(FILES README.md DESTINATION .)
else()
  install(TARGETS tovrix RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})

  # The man page, with the project's version on its title line, compressed
  # as Debian keeps man pages.
  set(man_source ${PROJECT_SOURCE_DIR}/docs/tovrix.1)
  set(man_page ${PROJECT_BINARY_DIR}/docs/tovrix.1)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${man_source})
  file(READ ${man_source} page)
  string(REGEX REPLACE "\"Tovrix [0-9.]+\"" "\"Tovrix ${PROJECT_VERSION}\"" page "${page}")
  file(CONFIGURE OUTPUT ${man_page} CONTENT "${page}" @ONLY)
  add_custom_command(OUTPUT ${man_page}.gz
                     COMMAND gzip -9 -n -k -f ${man_page}
                     DEPENDS ${man_page}
                     COMMENT "Compressing the man page")
  add_custom_target(tovrix_man ALL DEPENDS ${man_page}.gz)
  install(FILES ${man_page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()

set(CPACK_PACKAGE_NAME tovrix)
set(CPACK_PACKAGE_VENDOR "Tovrix")
set(TOVRIX_PACKAGE_CONTACT "Tovrix maintainers <maintainers@tovrix.invalid>"
    CACHE STRING "The packages' maintainer, \"Name <address>\"")
set(CPACK_PACKAGE_CONTACT "${TOVRIX_PACKAGE_CONTACT}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "turn Windows registry data into the registry sections of an INF file")
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
     "Tovrix converts registry export files (.reg) and the registry keys that"
     "key-list files name, read from the hive files of an offline Windows image,"
     "into the registry sections of an INF file for boot media whose system"
     "drive is X:.")
set(CPACK_STRIP_FILES ON)
if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  # The library packages (ICU, hivex, libstdc++) come from dpkg-shlibdeps.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
endif()
include(CPack)
