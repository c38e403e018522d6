# The version the programs print: the project's version and, when the build
# knows it, the commit it was built from. The commit is asked of git each
# time the build runs (a tarball without .git builds all the same, without
# it; COMPILA_BUILD_COMMIT names one where git cannot). The generated source
# is rewritten only when its text changes, so an unchanged commit rebuilds
# nothing.
set(COMPILA_BUILD_COMMIT "" CACHE STRING "Commit printed by --version when the source tree is not a git checkout")
set(program_version_source "${CMAKE_BINARY_DIR}/generated/program_version.cpp")
add_custom_target(program_version_source
  COMMAND "${CMAKE_COMMAND}" "-DSOURCE_DIR=${PROJECT_SOURCE_DIR}" "-DVERSION=${PROJECT_VERSION}"
          "-DCOMMIT=${COMPILA_BUILD_COMMIT}" "-DOUTPUT=${program_version_source}"
          -P "${CMAKE_CURRENT_LIST_DIR}/WriteProgramVersion.cmake"
  BYPRODUCTS "${program_version_source}"
  COMMENT "Asking git for the commit of the build"
  VERBATIM)
add_library(compila_version STATIC "${program_version_source}" "${PROJECT_SOURCE_DIR}/src/driver/version_option.cpp")
target_link_libraries(compila_version PUBLIC compila_core)
target_include_directories(compila_version PUBLIC "${PROJECT_SOURCE_DIR}/src")
add_dependencies(compila_version program_version_source)

# add_version_resource(<target> <description>)
#
# On Windows, the version resource that Explorer's Details tab shows.
function(add_version_resource target description)
  if(NOT WIN32)
    return()
  endif()
  set(program_name "${target}")
  set(program_description "${description}")
  set(resource "${CMAKE_BINARY_DIR}/generated/${target}_version.rc")
  configure_file("${PROJECT_SOURCE_DIR}/cmake/program_version.rc.in" "${resource}" @ONLY)
  target_sources(${target} PRIVATE "${resource}")
endfunction()
