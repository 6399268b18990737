# The Debian package, made by CPack from the install rules (cpack -G DEB in a
# build configured with CMAKE_INSTALL_PREFIX=/usr: the `package` preset;
# scripts/package.sh makes and checks it).
set(CPACK_PACKAGE_NAME marovi)
set(CPACK_PACKAGE_VENDOR "Marovi")
set(CPACK_PACKAGE_CONTACT "Marovi developers <marovi@localhost>")
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

include(CPack)
