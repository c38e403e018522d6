# What `cmake --install` puts under the prefix, and the packages CPack makes
# of it (scripts/release.sh): a Debian package from a Linux build, a zip from
# a Windows build.
#
# Linux, under the prefix (/usr in the package):
#   bin/scenario_tool                          on the PATH
#   lib/compila-scenario/                      the programs that write beside themselves and
#                                              are copied, not run from here: compila_runner
#                                              (which pack finds here), compila_scenario, and
#                                              compila_runner.exe for pack --windows
#   share/doc/compila-scenario/                the guide, the changelog, copyright and the
#                                              licences of the libraries the programs carry
#   share/doc/compila-scenario/examples/starter
#   share/compila-scenario/editors/            the editor files, from editors/ once it exists
# Windows, all in one folder: the .exe programs, the guide as HTML, starter/,
# licenses/, LICENSE.txt, CHANGELOG.txt, LEGGIMI.txt and README.txt.
set(COMPILA_PACKAGE_NAME compila-scenario)
# Installing (and so CPack) builds nothing: scripts/release.sh builds the
# programs it packs, and a build folder's tests are never built for it.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
if(WIN32)
  set(programs_dir .)
  set(runners_dir .)
  set(doc_dir .)
  set(starter_dir starter)
  set(licenses_dir licenses)
  set(editors_dir editors)
else()
  set(programs_dir bin)
  set(runners_dir lib/${COMPILA_PACKAGE_NAME})
  set(doc_dir share/doc/${COMPILA_PACKAGE_NAME})
  set(starter_dir ${doc_dir}/examples/starter)
  set(licenses_dir ${doc_dir}/licenses)
  set(editors_dir share/${COMPILA_PACKAGE_NAME}/editors)
endif()
# pack looks for its runner beside scenario_tool, then in the runners'
# folder, found from the tool's folder (so any prefix works).
file(RELATIVE_PATH runners_from_tool "/prefix/${programs_dir}" "/prefix/${runners_dir}")
target_compile_definitions(scenario_tool PRIVATE "COMPILA_RUNNERS_FROM_TOOL=\"${runners_from_tool}\"")

install(TARGETS scenario_tool RUNTIME DESTINATION ${programs_dir})
install(TARGETS compila_scenario compila_runner RUNTIME DESTINATION ${runners_dir})
if(NOT WIN32)
  # The Windows runner, when the build was configured with one
  # (COMPILA_WINDOWS_RUNNER), for pack --windows.
  install(FILES "${CMAKE_BINARY_DIR}/compila_runner.exe" DESTINATION ${runners_dir} OPTIONAL)
endif()

# The starter keeps its bytes (line ends, trailing blanks) as they are.
install(DIRECTORY examples/starter/ DESTINATION ${starter_dir})
if(IS_DIRECTORY "${PROJECT_SOURCE_DIR}/editors")
  install(DIRECTORY editors/ DESTINATION ${editors_dir})
endif()

# The guide, as HTML where python3-markdown converts it (scripts/guide_html.py).
option(COMPILA_GUIDE_HTML "Convert the guide docs/scenario-format.md to HTML for the packages" OFF)
if(COMPILA_GUIDE_HTML)
  find_program(system_python3 python3 PATHS /usr/bin NO_DEFAULT_PATH REQUIRED)
  set(guide_html "${CMAKE_BINARY_DIR}/scenario-format.html")
  add_custom_command(
    OUTPUT "${guide_html}"
    COMMAND "${system_python3}" "${PROJECT_SOURCE_DIR}/scripts/guide_html.py"
            "${PROJECT_SOURCE_DIR}/docs/scenario-format.md" "${guide_html}"
    DEPENDS "${PROJECT_SOURCE_DIR}/docs/scenario-format.md" "${PROJECT_SOURCE_DIR}/scripts/guide_html.py"
    COMMENT "Converting the guide to HTML"
    VERBATIM)
  add_custom_target(guide_html ALL DEPENDS "${guide_html}")
  install(FILES "${guide_html}" DESTINATION ${doc_dir})
endif()

# Texts: Windows users get .txt names that open with a double-click.
if(WIN32)
  install(FILES LICENSE DESTINATION ${doc_dir} RENAME LICENSE.txt)
  install(FILES CHANGELOG.md DESTINATION ${doc_dir} RENAME CHANGELOG.txt)
  install(FILES packaging/windows/LEGGIMI.txt packaging/windows/README.txt DESTINATION ${doc_dir})
else()
  install(FILES docs/scenario-format.md CHANGELOG.md DESTINATION ${doc_dir})
  install(FILES LICENSE DESTINATION ${doc_dir} RENAME copyright)
endif()

# The licences of the libraries the programs carry, from their Debian
# packages: NAME=PACKAGE, installed as licenses/NAME.txt. The Windows
# programs are linked statically with the mingw-w64 and GCC runtimes.
set(carried_libraries CLI11=libcli11-dev nlohmann-json=nlohmann-json3-dev)
if(COMPILA_HAVE_SERVE)
  list(APPEND carried_libraries cpp-httplib=libcpp-httplib-dev)
endif()
if(WIN32)
  list(APPEND carried_libraries mingw-w64-runtime=mingw-w64-common gcc-runtime=gcc-mingw-w64-base)
endif()
foreach(library IN LISTS carried_libraries)
  string(REPLACE "=" ";" library "${library}")
  list(GET library 0 name)
  list(GET library 1 package)
  set(copyright "/usr/share/doc/${package}/copyright")
  if(EXISTS "${copyright}")
    install(FILES "${copyright}" DESTINATION ${licenses_dir} RENAME ${name}.txt)
  else()
    message(WARNING "${copyright} not found: the packages would lack the licence of ${name}")
  endif()
endforeach()

# Packages.
set(CPACK_PACKAGE_NAME ${COMPILA_PACKAGE_NAME})
set(CPACK_PACKAGE_VENDOR "compila_scenario developers")
set(CPACK_PACKAGE_CONTACT "compila_scenario developers <compila-scenario@users.noreply.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "scenario compiler and authoring tool for a train-driving simulator")
set(CPACK_PACKAGE_DESCRIPTION
    "scenario_tool checks, builds, packs and draws the scenarios (a railway line and a train) of a train-driving simulator; compila_scenario and the runner are the programs a player copies into the simulator's folder.")
set(CPACK_RESOURCE_FILE_LICENSE "${PROJECT_SOURCE_DIR}/LICENSE")
if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME "${COMPILA_PACKAGE_NAME}-${PROJECT_VERSION}-windows-x64")
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION games)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  # Depends from the programs' own shared libraries (dpkg-shlibdeps).
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
endif()
include(CPack)
