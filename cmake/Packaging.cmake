# The Debian packages, made by CPack from the install rules (cpack -G DEB in a
# build configured with CMAKE_INSTALL_PREFIX=/usr: the `package` preset;
# scripts/package.sh makes and checks them), one per install component:
#   marovi            the programs, their explain module, manual pages,
#                     completion and data (component "programs");
#   libzel640-if1     the library ZEL640_IF, named after its SONAME as Debian
#                     names shared libraries ("library");
#   libzel640-if-dev  its header, libZEL640_IF.so, pkg-config module and CMake
#                     package ("development").
set(CPACK_PACKAGE_NAME marovi)
set(CPACK_PACKAGE_VENDOR "Marovi")
if(NOT CPACK_PACKAGE_CONTACT)
  set(CPACK_PACKAGE_CONTACT "Marovi developers <marovi@example.org>")
endif()
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_GENERATOR DEB)
# The debug information stays in the build; the package is a fifth the size.
set(CPACK_STRIP_FILES ON)

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL programs library development)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PROGRAMS_PACKAGE_NAME marovi)
set(CPACK_DEBIAN_LIBRARY_PACKAGE_NAME libzel640-if1)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME libzel640-if-dev)
set(CPACK_DEBIAN_PROGRAMS_PACKAGE_SECTION text)
set(CPACK_DEBIAN_LIBRARY_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
# Each description's first line is its package's summary.
set(CPACK_DEBIAN_PROGRAMS_DESCRIPTION
"turns pages written on a printed paper keyboard into web pages
Marovi reads the ink files of a digital pen notepad written on a printed
paper keyboard, recognises the key taps and strokes and writes one HTML page
per ink file, with JPEG pictures of the ink written beside the keyboard.
This package holds marovi-convert (the conversion on the command line),
marovi-sheet (prints the paper keyboard), the default keyboard and its sheet.")
set(CPACK_DEBIAN_LIBRARY_DESCRIPTION
"reads the ink files of a digital pen notepad
ZEL640_IF is a small C library that reads the ink files of the pen notepad
Marovi converts: their header and their strokes, turned as the page was.")
set(CPACK_DEBIAN_DEVELOPMENT_DESCRIPTION
"reads the ink files of a digital pen notepad - development files
ZEL640_IF is a small C library that reads the ink files of the pen notepad
Marovi converts. This package holds its header, the link to the library,
its pkg-config module (zel640_if) and its CMake package (ZEL640_IF).")

set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The programs link the library of the package built beside them; its own
# package is named in their Depends below.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_BINARY_DIR}/lib)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
set(CPACK_COMPONENT_PROGRAMS_DEPENDS library)
set(CPACK_COMPONENT_DEVELOPMENT_DEPENDS library)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
# marovi-sheet prints its Japanese texts in IPA Gothic.
set(CPACK_DEBIAN_PROGRAMS_PACKAGE_DEPENDS "fonts-ipafont-gothic")
# --recognize reads handwriting with zinnia's Japanese model, which is data
# the program can do without, as is the word list of mecab-ipadic. zinnia itself is linked in from its archive
# (app/handwriting); a build against the shared library gets libzinnia0 from
# dpkg-shlibdeps.
set(CPACK_DEBIAN_PROGRAMS_PACKAGE_RECOMMENDS "tegaki-zinnia-japanese, mecab-ipadic")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The library is announced to ldconfig by a trigger; CPack's own postinst and
# postrm, which would call it, are taken out of the package after it is built.
set(CPACK_DEBIAN_LIBRARY_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/cmake/debian/triggers)
set(CPACK_POST_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/debian/RepackDeb.cmake)

# What every Debian package carries in /usr/share/doc/<package>, also
# installed into other prefixes: the copyright file and the changelog (a
# native package, so changelog.gz), dated when the build was configured (or by
# SOURCE_DATE_EPOCH).
if(NOT WIN32)
  set(MAROVI_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
  string(TIMESTAMP MAROVI_CHANGELOG_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
  find_program(MAROVI_GZIP gzip REQUIRED)
  foreach(component IN ITEMS programs library development)
    string(TOUPPER ${component} upper)
    set(MAROVI_PACKAGE ${CPACK_DEBIAN_${upper}_PACKAGE_NAME})
    set(changelog ${CMAKE_BINARY_DIR}/debian/${MAROVI_PACKAGE}/changelog)
    configure_file(${PROJECT_SOURCE_DIR}/cmake/debian/changelog.in ${changelog} @ONLY)
    execute_process(COMMAND ${MAROVI_GZIP} -9 -n -c INPUT_FILE ${changelog} OUTPUT_FILE ${changelog}.gz
                    COMMAND_ERROR_IS_FATAL ANY)
    install(FILES ${PROJECT_SOURCE_DIR}/cmake/debian/copyright ${changelog}.gz
            DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${MAROVI_PACKAGE} COMPONENT ${component})
  endforeach()
endif()

include(CPack)
