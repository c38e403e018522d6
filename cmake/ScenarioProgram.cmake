# add_scenario_program(<target> <scenario folder> [OUTPUT_DIRECTORY <dir>])
#
# Builds the program over the compiler core with the given scenario folder
# embedded; the embedded scenario alone is the library <target>_data. The
# folder's content is checked when the build runs; a change to any of its
# files rebuilds the program.
function(add_scenario_program target folder)
  cmake_parse_arguments(PARSE_ARGV 2 arg "" "OUTPUT_DIRECTORY" "")
  # Found from this file, so the function works from any directory scope.
  set(embed_script "${CMAKE_CURRENT_FUNCTION_LIST_DIR}/embed_scenario.cmake")
  file(REAL_PATH "${folder}" folder BASE_DIRECTORY "${CMAKE_CURRENT_SOURCE_DIR}")
  set(inputs "")
  foreach(name scenario.txt linea.txt treno.txt note.txt rallentamenti.txt scheda_treno.txt)
    if(NOT EXISTS "${folder}/${name}")
      message(FATAL_ERROR "${folder}/${name}: missing scenario file")
    endif()
    list(APPEND inputs "${folder}/${name}")
  endforeach()
  set(source "${CMAKE_CURRENT_BINARY_DIR}/generated/${target}_scenario.cpp")
  add_custom_command(
    OUTPUT "${source}"
    COMMAND "${CMAKE_COMMAND}" "-DSCENARIO_DIR=${folder}" "-DOUTPUT=${source}" -P "${embed_script}"
    DEPENDS ${inputs} "${embed_script}"
    COMMENT "Embedding the scenario folder ${folder}"
    VERBATIM)
  add_library(${target}_data STATIC "${source}")
  target_link_libraries(${target}_data PUBLIC compila_core)
  # On Windows a GUI program: its window is the only thing the user sees.
  add_executable(${target} WIN32 "${PROJECT_SOURCE_DIR}/src/build/main.cpp")
  target_link_libraries(${target} PRIVATE ${target}_data)
  # On Windows a GUI program: no console window opens beside "Form1".
  set_target_properties(${target} PROPERTIES WIN32_EXECUTABLE ON)
  if(arg_OUTPUT_DIRECTORY)
    set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${arg_OUTPUT_DIRECTORY}")
  endif()
endfunction()
