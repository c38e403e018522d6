# embed_scenario_folder(<folder> <source> <function>)
#
# Generates <source>, the C++ source of `<function>()` returning the scenario
# folder <folder> (an absolute path); the folder is checked by the
# embed_scenario tool when the build runs. The tool names the files it read
# in a depfile, so a change to any of them generates the source again; the
# list of a folder's files is the tool's own (src/model/scenario_files.h).
function(embed_scenario_folder folder source function)
  if(NOT IS_DIRECTORY "${folder}")
    message(FATAL_ERROR "${folder}: no such scenario folder")
  endif()
  get_filename_component(source_directory "${source}" DIRECTORY)
  file(MAKE_DIRECTORY "${source_directory}")
  add_custom_command(
    OUTPUT "${source}"
    COMMAND embed_scenario "${folder}" "${source}" "${function}" "${source}.d"
    DEPENDS embed_scenario
    DEPFILE "${source}.d"
    COMMENT "Embedding the scenario folder ${folder}"
    VERBATIM)
endfunction()

# link_player_program(<target>)
#
# A program the player starts carries the C++ runtime inside on Linux, so that
# no libstdc++ is mapped and relocated at every start; it stays linked to the
# C library dynamically, like any program of the system. (Windows programs are
# linked statically by the toolchain file; sanitizer builds keep the shared
# runtime the sanitizers expect.)
function(link_player_program target)
  if(CMAKE_SYSTEM_NAME STREQUAL "Linux" AND NOT COMPILA_SANITIZE AND NOT COMPILA_FUZZ)
    target_link_options(${target} PRIVATE -static-libstdc++ -static-libgcc)
  endif()
endfunction()

# add_scenario_program(<target> <scenario folder> [OUTPUT_DIRECTORY <dir>])
#
# Builds the program over the compiler core with the given scenario folder
# embedded; the embedded scenario alone is the library <target>_data. The
# folder's content is checked by the embed_scenario tool when the build runs; a change to any of its
# files rebuilds the program.
function(add_scenario_program target folder)
  cmake_parse_arguments(PARSE_ARGV 2 arg "" "OUTPUT_DIRECTORY" "")
  # Found from this file, so the function works from any directory scope.
  file(REAL_PATH "${folder}" folder BASE_DIRECTORY "${CMAKE_CURRENT_SOURCE_DIR}")
  set(source "${CMAKE_CURRENT_BINARY_DIR}/generated/${target}_scenario.cpp")
  embed_scenario_folder("${folder}" "${source}" embedded_scenario)
  add_library(${target}_data STATIC "${source}")
  target_link_libraries(${target}_data PUBLIC compila_core)
  # On Windows a GUI program: no console window opens beside "Form1".
  add_executable(${target} WIN32 "${PROJECT_SOURCE_DIR}/src/driver/main.cpp")
  target_link_libraries(${target} PRIVATE compila_version ${target}_data)
  link_player_program(${target})
  add_version_resource(${target} "compila_scenario: writes and compiles its scenario for the simulator")
  if(arg_OUTPUT_DIRECTORY)
    set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${arg_OUTPUT_DIRECTORY}")
  endif()
endfunction()
