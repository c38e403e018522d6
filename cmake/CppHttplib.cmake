# cpp-httplib, the HTTP server of scenario_tool serve, as the target
# compila_httplib. Upstream's httplib.h holds the whole library; Debian ships
# it split, a header of declarations and libcpp-httplib.so, described by
# cpp-httplib.pc (whose definitions must match the library's build). The
# whole header is taken where one is found, else the split one through
# pkg-config. Without either, scenario_tool is built without serve
# (COMPILA_HAVE_SERVE is OFF) and says so when configured.
# COMPILA_HTTPLIB_INCLUDE (a cache variable, or else the environment's) names
# a folder with the whole header: the scripts take it from Debian's source
# package (use_whole_httplib in scripts/prerequisites.sh).
set(COMPILA_HAVE_SERVE OFF)
set(COMPILA_HTTPLIB_INCLUDE "" CACHE PATH "a folder holding cpp-httplib's whole httplib.h")
if(NOT COMPILA_HTTPLIB_INCLUDE AND DEFINED ENV{COMPILA_HTTPLIB_INCLUDE})  # the scripts' use_whole_httplib
  set(COMPILA_HTTPLIB_INCLUDE "$ENV{COMPILA_HTTPLIB_INCLUDE}" CACHE PATH "a folder holding cpp-httplib's whole httplib.h"
      FORCE)
endif()
if(COMPILA_HTTPLIB_INCLUDE)
  set(compila_httplib_include "${COMPILA_HTTPLIB_INCLUDE}")
else()
  find_path(compila_httplib_include httplib.h)
endif()
if(compila_httplib_include)
  file(STRINGS "${compila_httplib_include}/httplib.h" httplib_whole REGEX "inline bool Server::listen_after_bind")
endif()
if(httplib_whole)
  add_library(compila_httplib INTERFACE)
  target_include_directories(compila_httplib SYSTEM INTERFACE "${compila_httplib_include}")
  set(COMPILA_HAVE_SERVE ON)
elseif(NOT CMAKE_CROSSCOMPILING)
  find_package(PkgConfig QUIET)
  if(PKG_CONFIG_FOUND)
    pkg_check_modules(cpp_httplib QUIET IMPORTED_TARGET cpp-httplib)
  endif()
  if(cpp_httplib_FOUND)
    add_library(compila_httplib INTERFACE)
    target_link_libraries(compila_httplib INTERFACE PkgConfig::cpp_httplib)
    set(COMPILA_HAVE_SERVE ON)
  endif()
endif()
if(COMPILA_HAVE_SERVE)
  find_package(Threads REQUIRED)
  target_link_libraries(compila_httplib INTERFACE Threads::Threads)
  if(WIN32)
    target_link_libraries(compila_httplib INTERFACE ws2_32)
  endif()
else()
  message(STATUS "cpp-httplib not found (Debian: libcpp-httplib-dev): scenario_tool is built without serve")
endif()
