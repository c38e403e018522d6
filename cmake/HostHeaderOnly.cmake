# A cross build looks for headers and packages under the target's root only,
# which hides the build host's header-only packages. CLI11 and nlohmann/json
# are nothing but headers, so the host's copies serve the target as well: each
# one found on the host is copied into the build tree (the host's own include
# folder must not reach the target compiler, it holds the host's C library)
# and described by a small package file there, so that the ordinary
# find_package(CLI11) and find_package(nlohmann_json) find it.
function(provide_host_header_package package target header_dir probe)
  find_path(host_${package}_include "${probe}" PATHS /usr/include /usr/local/include
            NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
  if(NOT host_${package}_include)
    return()
  endif()
  set(root "${CMAKE_BINARY_DIR}/host_header_packages")
  file(COPY "${host_${package}_include}/${header_dir}" DESTINATION "${root}/include")
  file(WRITE "${root}/${package}/${package}Config.cmake"
       "if(NOT TARGET ${target})\n"
       "  add_library(${target} INTERFACE IMPORTED)\n"
       "  set_target_properties(${target} PROPERTIES INTERFACE_INCLUDE_DIRECTORIES \"${root}/include\")\n"
       "endif()\n")
  set(${package}_DIR "${root}/${package}" CACHE PATH "${package} headers copied from the build host" FORCE)
endfunction()

if(CMAKE_CROSSCOMPILING)
  provide_host_header_package(CLI11 CLI11::CLI11 CLI CLI/CLI.hpp)
  provide_host_header_package(nlohmann_json nlohmann_json::nlohmann_json nlohmann nlohmann/json.hpp)
endif()
