# Where things go when installed, and how the programs find what they load
# from the installed tree: always through paths relative to their own folder,
# so that a prefix can be moved or chosen only at install time
# (cmake --install build --prefix P).
include(GNUInstallDirs)

# The explain module of marovi-convert lives in a folder of its own under the
# library folder, away from the libraries that other programs link.
set(MAROVI_INSTALL_MODULEDIR ${CMAKE_INSTALL_LIBDIR}/marovi)
# The default keyboard and its printed sheet.
set(MAROVI_INSTALL_DATADIR ${CMAKE_INSTALL_DATADIR}/marovi)
# The build tree keeps the data folder as it is installed.
set(MAROVI_BUILD_DATADIR ${CMAKE_BINARY_DIR}/share/marovi)

# The module folder as seen from the program folder. The build tree puts the
# module at the same place relative to build/bin, so one path serves both.
file(RELATIVE_PATH MAROVI_MODULEDIR_FROM_BINDIR
  ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_LIBDIR}/marovi)
cmake_path(ABSOLUTE_PATH MAROVI_MODULEDIR_FROM_BINDIR BASE_DIRECTORY ${CMAKE_BINARY_DIR}/bin NORMALIZE
  OUTPUT_VARIABLE MAROVI_BUILD_MODULEDIR)

# Installed programs find libZEL640_IF through a path relative to themselves,
# unless it is installed where the system looks anyway (/usr/lib/<multiarch>).
list(FIND CMAKE_C_IMPLICIT_LINK_DIRECTORIES ${CMAKE_INSTALL_FULL_LIBDIR} libdir_index)
if(libdir_index EQUAL -1)
  set(MAROVI_INSTALL_IN_SYSTEM_LIBDIR OFF)
else()
  set(MAROVI_INSTALL_IN_SYSTEM_LIBDIR ON)
endif()
if(NOT MAROVI_INSTALL_IN_SYSTEM_LIBDIR)
  file(RELATIVE_PATH libdir_from_bindir ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_LIBDIR})
  set(CMAKE_INSTALL_RPATH "$ORIGIN/${libdir_from_bindir}")
  # The build tree has the same layout (bin/ beside lib/), so its programs
  # take the installed path as they are built. Left to itself, CMake gives
  # them the build folder followed by an empty entry, which the loader reads
  # as the current directory: every start would look for every library in
  # whatever folder the program runs from.
  if(libdir_from_bindir STREQUAL "../lib")
    set(CMAKE_BUILD_WITH_INSTALL_RPATH ON)
  endif()
endif()
