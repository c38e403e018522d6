# add_scenario_program(<target> <scenario folder> [OUTPUT_DIRECTORY <dir>])
#
# Builds the program over the compiler core with the given scenario folder
# embedded; the embedded scenario alone is the library <target>_data. The folder is checked when the build runs; a change to any of its
# files rebuilds the program.
set(SCENARIO_EMBED_SCRIPT "${CMAKE_CURRENT_LIST_DIR}/embed_scenario.cmake")
set(SCENARIO_FILES scenario.txt linea.txt treno.txt note.txt rallentamenti.txt scheda_treno.txt)

function(add_scenario_program target folder)
  cmake_parse_arguments(PARSE_ARGV 2 arg "" "OUTPUT_DIRECTORY" "")
  set(inputs "")
  foreach(name IN LISTS SCENARIO_FILES)
    if(NOT EXISTS "${folder}/${name}")
      message(FATAL_ERROR "${folder}/${name}: missing scenario file")
    endif()
    list(APPEND inputs "${folder}/${name}")
  endforeach()
  set(source "${CMAKE_CURRENT_BINARY_DIR}/generated/${target}_scenario.cpp")
  add_custom_command(
    OUTPUT "${source}"
    COMMAND "${CMAKE_COMMAND}" "-DSCENARIO_DIR=${folder}" "-DOUTPUT=${source}" -P "${SCENARIO_EMBED_SCRIPT}"
    DEPENDS ${inputs} "${SCENARIO_EMBED_SCRIPT}"
    COMMENT "Embedding the scenario folder ${folder}"
    VERBATIM)
  add_library(${target}_data STATIC "${source}")
  target_link_libraries(${target}_data PUBLIC compila_core)
  add_executable(${target} "${PROJECT_SOURCE_DIR}/src/build/main.cpp")
  target_link_libraries(${target} PRIVATE ${target}_data)
  if(arg_OUTPUT_DIRECTORY)
    set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${arg_OUTPUT_DIRECTORY}")
  endif()
endfunction()
