# Runs the embed script on scenario folders written here at test time:
#   cmake -DEMBED_TOOL=<embed_scenario program> -DWORK_DIR=<dir> -DSOURCE_DIR=<repo>
#         -DGENERATOR=<gen> -P embed_scenario_test.cmake
# Each bad folder must stop the embedding with its file (and line) named; the
# good folder must embed every line byte for byte; a build through
# cmake/ScenarioProgram.cmake must embed a folder file again once it changes.
cmake_minimum_required(VERSION 3.25)

string(ASCII 9 tab)
string(ASCII 13 cr)
string(ASCII 233 e_acute)
string(ASCII 255 y_diaeresis)
set(failures 0)

# A complete, valid scenario folder at `dir`.
function(write_folder dir)
  file(REMOVE_RECURSE "${dir}")
  file(WRITE "${dir}/scenario.txt" "line_name=Prova\ntrain_number=7\n")
  foreach(name linea treno rallentamenti scheda_treno)
    file(WRITE "${dir}/${name}.txt" "[generale]\n[fine]\n")
  endforeach()
  file(WRITE "${dir}/note.txt" "")
endfunction()

function(embed dir result_var output_var)
  execute_process(
    COMMAND "${EMBED_TOOL}" "${dir}" "${dir}/generated.cpp"
    RESULT_VARIABLE result ERROR_VARIABLE output OUTPUT_VARIABLE ignored)
  string(REGEX REPLACE "[ \n]+" " " output "${output}")
  set(${result_var} "${result}" PARENT_SCOPE)
  set(${output_var} "${output}" PARENT_SCOPE)
endfunction()

function(fail message)
  message(SEND_ERROR "${message}")
endfunction()

# name|file|content|what the message must name (after the folder)
set(x1001 "")
foreach(i RANGE 1 1001)
  string(APPEND x1001 "x\n")
endforeach()
set(bad_cases
  "missing_file|note.txt|<remove>|note.txt: missing scenario file"
  "too_many_lines|rallentamenti.txt|${x1001}|rallentamenti.txt:1001:"
  "too_many_lines_no_final_lf|rallentamenti.txt|${x1001}x|rallentamenti.txt:1001:"
  "marker_line|treno.txt|[generale]\nx\nriferimento fine del file${cr}\n[fine]\n|treno.txt:3:"
  "marker_last_line|treno.txt|[generale]\nriferimento fine del file|treno.txt:2:"
  "tab|linea.txt|[generale]\na${tab}b\n|linea.txt:2: tab"
  "lone_cr|scheda_treno.txt|[generale]\nab${cr}cd\n|scheda_treno.txt:2: carriage return inside a line"
  "bad_name|scenario.txt|line_name=a/b\ntrain_number=7\n|scenario.txt:1:")
foreach(case IN LISTS bad_cases)
  string(REPLACE "|" ";" fields "${case}")
  list(GET fields 0 name)
  list(GET fields 1 file)
  list(GET fields 2 content)
  list(GET fields 3 expected)
  set(dir "${WORK_DIR}/${name}")
  write_folder("${dir}")
  if(content STREQUAL "<remove>")
    file(REMOVE "${dir}/${file}")
  else()
    file(WRITE "${dir}/${file}" "${content}")
  endif()
  embed("${dir}" result output)
  string(FIND "${output}" "${dir}/${expected}" at)
  if(result EQUAL 0)
    fail("${name}: the embedding succeeded")
  elseif(at EQUAL -1)
    fail("${name}: the message does not name ${expected}:\n${output}")
  endif()
  if(EXISTS "${dir}/generated.cpp")
    fail("${name}: generated source written despite the failure")
  endif()
endforeach()

# 1000 lines are the most a file may hold.
set(dir "${WORK_DIR}/thousand_lines")
write_folder("${dir}")
string(REPEAT "x\n" 1000 x1000)
file(WRITE "${dir}/rallentamenti.txt" "${x1000}")
embed("${dir}" result output)
if(NOT result EQUAL 0)
  fail("thousand_lines: refused:\n${output}")
endif()

# CR LF ends, trailing blanks, an empty line, bytes above 127 and a last line
# without a line feed.
set(dir "${WORK_DIR}/good")
write_folder("${dir}")
file(WRITE "${dir}/linea.txt" "a  ${cr}\n${cr}\nb${e_acute}${y_diaeresis}\n last")
embed("${dir}" result output)
if(NOT result EQUAL 0)
  fail("good: refused:\n${output}")
else()
  file(READ "${dir}/generated.cpp" generated)
  set(expected_arrays
    "std::array<std::string_view, 4> line_source_lines{{
    std::string_view{\"\\x61\\x20\\x20\", 3},
    std::string_view{\"\", 0},
    std::string_view{\"\\x62\\xe9\\xff\", 3},
    std::string_view{\"\\x20\\x6c\\x61\\x73\\x74\", 5},
}};"
    "std::array<std::string_view, 0> notes_lines{{
}};"
    "std::string_view{\"\\x50\\x72\\x6f\\x76\\x61\", 5},
      std::string_view{\"\\x37\", 1},")
  foreach(expected IN LISTS expected_arrays)
    string(FIND "${generated}" "${expected}" at)
    if(at EQUAL -1)
      fail("good: the generated source lacks\n${expected}\n--- generated:\n${generated}")
    endif()
  endforeach()
endif()

# Every broken rule of every file is named in the one run.
set(dir "${WORK_DIR}/two_files")
write_folder("${dir}")
file(WRITE "${dir}/linea.txt" "[generale]\na${tab}b\n")
file(WRITE "${dir}/scheda_treno.txt" "x\nriferimento fine del file\n")
embed("${dir}" result output)
foreach(expected "${dir}/linea.txt:2: tab" "${dir}/scheda_treno.txt:2: line equal to the end-of-list marker")
  string(FIND "${output}" "${expected}" at)
  if(result EQUAL 0 OR at EQUAL -1)
    fail("two_files: the message does not name ${expected}:\n${output}")
  endif()
endforeach()

# A folder that declares UTF-8 is embedded as Windows-1252, the simulator's
# code page, its byte order mark dropped: E-grave is 0xC8, the right single
# quote 0x92.
set(dir "${WORK_DIR}/utf8")
write_folder("${dir}")
string(ASCII 239 187 191 byte_order_mark)
file(WRITE "${dir}/scenario.txt" "line_name=Prova\ntrain_number=7\nencoding=utf-8\n")
file(WRITE "${dir}/note.txt" "${byte_order_mark}PIÈ S’E\n")
embed("${dir}" result output)
if(NOT result EQUAL 0)
  fail("utf8: refused:\n${output}")
else()
  file(READ "${dir}/generated.cpp" generated)
  set(expected "std::array<std::string_view, 1> notes_lines{{
    std::string_view{\"\\x50\\x49\\xc8\\x20\\x53\\x92\\x45\", 7},
}};")
  string(FIND "${generated}" "${expected}" at)
  if(at EQUAL -1)
    fail("utf8: the generated source lacks\n${expected}\n--- generated:\n${generated}")
  endif()
endif()

# The depfile names every file of the folder, so that editing one generates
# the source again.
set(dir "${WORK_DIR}/depfile")
write_folder("${dir}")
execute_process(
  COMMAND "${EMBED_TOOL}" "${dir}" "${dir}/generated.cpp" embedded_scenario "${dir}/generated.cpp.d"
  RESULT_VARIABLE result ERROR_VARIABLE output)
if(NOT result EQUAL 0)
  fail("depfile: refused:\n${output}")
else()
  file(READ "${dir}/generated.cpp.d" rule)
  string(FIND "${rule}" "${dir}/generated.cpp:" at)
  if(NOT at EQUAL 0)
    fail("depfile: the rule is not for the generated source:\n${rule}")
  endif()
  foreach(name scenario.txt linea.txt treno.txt note.txt rallentamenti.txt scheda_treno.txt)
    string(FIND "${rule}" " ${dir}/${name}" at)
    if(at EQUAL -1)
      fail("depfile: ${name} is not named:\n${rule}")
    endif()
  endforeach()
endif()

# The build rule of cmake/ScenarioProgram.cmake, in a project of its own that
# only generates the source: editing a folder file generates it again.
set(dir "${WORK_DIR}/rebuild")
set(project "${WORK_DIR}/rebuild_project")
file(REMOVE_RECURSE "${project}")
write_folder("${dir}")
file(WRITE "${project}/CMakeLists.txt" "cmake_minimum_required(VERSION 3.25)
project(rebuild LANGUAGES NONE)
include(\"${SOURCE_DIR}/cmake/ScenarioProgram.cmake\")
add_executable(embed_scenario IMPORTED)
set_target_properties(embed_scenario PROPERTIES IMPORTED_LOCATION \"${EMBED_TOOL}\")
embed_scenario_folder(\"${dir}\" \"\${CMAKE_BINARY_DIR}/generated.cpp\" embedded_scenario)
add_custom_target(generate ALL DEPENDS \"\${CMAKE_BINARY_DIR}/generated.cpp\")
")
function(build_project what)
  execute_process(COMMAND "${CMAKE_COMMAND}" ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE output
                  ERROR_VARIABLE output)
  if(NOT result EQUAL 0)
    fail("rebuild: ${what} failed:\n${output}")
  endif()
endfunction()
build_project(configure -S "${project}" -B "${project}/build" -G "${GENERATOR}")
build_project(build --build "${project}/build")
# After a second, so that the edit is newer than the generated source.
execute_process(COMMAND "${CMAKE_COMMAND}" -E sleep 1.1)
file(WRITE "${dir}/scheda_treno.txt" "EDITED\n")
build_project(build --build "${project}/build")
file(READ "${project}/build/generated.cpp" generated)
string(FIND "${generated}" "std::string_view{\"\\x45\\x44\\x49\\x54\\x45\\x44\", 6}" at)
if(at EQUAL -1)
  fail("rebuild: the edited scheda_treno.txt was not embedded again")
endif()
