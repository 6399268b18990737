# The Debian package, made by CPack from the install rules (cpack -G DEB in a
# build configured with CMAKE_INSTALL_PREFIX=/usr: the `package` preset;
# scripts/package.sh makes and checks it).
set(CPACK_PACKAGE_NAME marovi)
set(CPACK_PACKAGE_VENDOR "Marovi")
if(NOT CPACK_PACKAGE_CONTACT)
  set(CPACK_PACKAGE_CONTACT "Marovi developers <marovi@example.org>")
endif()
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "turns pages written on a printed paper keyboard into web pages")
set(CPACK_PACKAGE_DESCRIPTION
"Marovi reads the ink files of a digital pen notepad written on a printed
paper keyboard, recognises the key taps and strokes and writes one HTML page
per ink file, with JPEG pictures of the ink written beside the keyboard.
This package holds marovi-convert (the conversion on the command line),
marovi-sheet (prints the paper keyboard), the default keyboard and its sheet,
and ZEL640_IF, a C library reading the ink files, with its header,
pkg-config module and CMake package.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_GENERATOR DEB)
# The debug information stays in the build; the package is a fifth the size.
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION text)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The library's shlibs file, and the ldconfig trigger that comes with it.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
# marovi-sheet prints its Japanese texts in IPA Gothic.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-ipafont-gothic")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The library is announced to ldconfig by a trigger; CPack's own postinst and
# postrm, which would call it, are taken out of the package after it is built.
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/cmake/debian/triggers)
set(CPACK_POST_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/debian/RepackDeb.cmake)

# What every Debian package carries in /usr/share/doc/marovi, also installed
# into other prefixes: the copyright file and the changelog (a native package,
# so changelog.gz), dated when the build was configured (or by
# SOURCE_DATE_EPOCH).
if(NOT WIN32)
  set(doc_dir ${CMAKE_INSTALL_DATADIR}/doc/marovi)
  set(MAROVI_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
  string(TIMESTAMP MAROVI_CHANGELOG_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/debian/changelog.in ${CMAKE_BINARY_DIR}/debian/changelog @ONLY)
  find_program(MAROVI_GZIP gzip REQUIRED)
  execute_process(COMMAND ${MAROVI_GZIP} -9 -n -c INPUT_FILE ${CMAKE_BINARY_DIR}/debian/changelog
                  OUTPUT_FILE ${CMAKE_BINARY_DIR}/debian/changelog.gz COMMAND_ERROR_IS_FATAL ANY)
  install(FILES ${PROJECT_SOURCE_DIR}/cmake/debian/copyright ${CMAKE_BINARY_DIR}/debian/changelog.gz
          DESTINATION ${doc_dir})
  # Lintian reads its overrides from /usr only.
  if(CMAKE_INSTALL_PREFIX STREQUAL "/usr")
    install(FILES ${PROJECT_SOURCE_DIR}/cmake/debian/lintian-overrides
            DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME marovi)
  endif()
endif()

include(CPack)
