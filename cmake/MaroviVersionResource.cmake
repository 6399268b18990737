# marovi_version_resource(TARGET SCRIPT): gives a Windows binary its version
# resource. SCRIPT (UTF-8) defines the binary's texts and includes
# VersionInfo.rc beside this file; the numbers come from the project's
# version, which is written nowhere else. Does nothing on other systems.
function(marovi_version_resource target script)
  if(NOT WIN32)
    return()
  endif()
  target_sources(${target} PRIVATE ${script})
  set_source_files_properties(${script} PROPERTIES
    COMPILE_DEFINITIONS "MAROVI_VERSION_MAJOR=${PROJECT_VERSION_MAJOR};MAROVI_VERSION_MINOR=${PROJECT_VERSION_MINOR};MAROVI_VERSION_PATCH=${PROJECT_VERSION_PATCH}"
    INCLUDE_DIRECTORIES ${CMAKE_CURRENT_FUNCTION_LIST_DIR}
    # The resource compiler's dependencies are not scanned.
    OBJECT_DEPENDS ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/VersionInfo.rc)
endfunction()
