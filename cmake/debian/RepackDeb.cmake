# Run by CPack after it built the Debian package (CPACK_POST_BUILD_SCRIPTS).
# CPack adds postinst and postrm scripts that call ldconfig to every package
# with a library in /usr/lib; the package activates the ldconfig trigger
# instead (its triggers file), so the scripts are taken out again.
find_program(DPKG_DEB dpkg-deb REQUIRED)
foreach(deb IN LISTS CPACK_PACKAGE_FILES)
  if(NOT deb MATCHES "\\.deb$")
    continue()
  endif()
  set(tree ${deb}.tree)
  file(REMOVE_RECURSE ${tree})
  execute_process(COMMAND ${DPKG_DEB} --raw-extract ${deb} ${tree} COMMAND_ERROR_IS_FATAL ANY)
  file(REMOVE ${tree}/DEBIAN/postinst ${tree}/DEBIAN/postrm)
  execute_process(COMMAND ${DPKG_DEB} --root-owner-group -Zxz --build ${tree} ${deb}
                  OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
  file(REMOVE_RECURSE ${tree})
endforeach()
