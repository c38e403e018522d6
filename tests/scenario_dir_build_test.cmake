# Configures and builds the whole project in a fresh build directory with
# another scenario folder, then runs the program it gives:
#   cmake -DSOURCE_DIR=<repo> -DBUILD_DIR=<dir> -DSCENARIO=<folder> -DGENERATOR=<gen>
#         -DCXX=<compiler> -P scenario_dir_build_test.cmake
# The folder is the one with a speed board at position 0, so the program must
# refuse the build with 1250.
cmake_minimum_required(VERSION 3.25)

function(run_step what)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${what} failed (${result}):\n${output}")
  endif()
endfunction()

file(REMOVE_RECURSE "${BUILD_DIR}")
run_step(configure "${CMAKE_COMMAND}" -S "${SOURCE_DIR}" -B "${BUILD_DIR}" -G "${GENERATOR}"
         "-DCMAKE_CXX_COMPILER=${CXX}" "-DSCENARIO_DIR=${SCENARIO}" -DCOMPILA_TESTS=OFF)
run_step(build "${CMAKE_COMMAND}" --build "${BUILD_DIR}" --target compila_scenario -j 2)

file(READ "${BUILD_DIR}/generated/compila_scenario_scenario.cpp" generated)
string(FIND "${generated}" "// ${SCENARIO}\n" at)
if(at EQUAL -1)
  message(FATAL_ERROR "the program does not embed ${SCENARIO}")
endif()

execute_process(COMMAND "${BUILD_DIR}/compila_scenario" WORKING_DIRECTORY "${BUILD_DIR}"
                RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE errors)
if(NOT status EQUAL 1 OR NOT output STREQUAL "Attendere\n" OR NOT errors MATCHES "(^|\n) Errore n\\. 1250\n")
  message(FATAL_ERROR "expected status 1, \"Attendere\" and \" Errore n. 1250\"; got ${status}:\n${output}${errors}")
endif()
file(GLOB binaries "${BUILD_DIR}/Prova_Cartello*.dat" "${BUILD_DIR}/Prova_Cartello*.sim")
if(binaries)
  message(FATAL_ERROR "binary files written despite the refusal: ${binaries}")
endif()
if(NOT EXISTS "${BUILD_DIR}/Prova_Cartello_1_scheda_treno.txt")
  message(FATAL_ERROR "the train card of the scenario folder was not written")
endif()
file(REMOVE_RECURSE "${BUILD_DIR}")
