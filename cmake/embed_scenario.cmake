# Turns a scenario folder into C++ source: run as
#   cmake -DSCENARIO_DIR=<folder> -DOUTPUT=<file.cpp> -P embed_scenario.cmake
#
# The folder holds scenario.txt (line_name=..., train_number=...) and the five
# text files linea.txt, treno.txt, note.txt, rallentamenti.txt and
# scheda_treno.txt, one line of text per table slot. Lines end in LF or CR LF
# (the CR is dropped); trailing blanks and empty lines are kept; an empty file
# has no lines. Every byte is written as a hex escape, so any content survives
# the compiler unchanged. A file that is missing, has more than 1000 lines,
# holds the end-of-list marker as a line or a control character other than
# the line ends stops the build with the file and line named.

cmake_minimum_required(VERSION 3.25)

set(end_of_list_marker "riferimento fine del file")
set(max_lines 1000)

function(scenario_error file line message)
  message(FATAL_ERROR "${file}:${line}: ${message}")
endfunction()

# Reads `file` into `out_var`: a list with one element per line, each the
# line's bytes as lower-case hex pairs behind an "x" (so that an empty line is
# still a list element).
function(read_scenario_lines file out_var)
  if(NOT EXISTS "${file}")
    message(FATAL_ERROR "${file}: missing scenario file")
  endif()
  file(READ "${file}" hex HEX)
  string(TOLOWER "${hex}" hex)
  string(REGEX MATCHALL "[0-9a-f][0-9a-f]" bytes "${hex}")
  string(HEX "${end_of_list_marker}" marker_hex)

  set(lines "")
  set(count 0)
  set(current "")
  set(open_line FALSE)   # bytes seen since the last line end
  set(pending_cr FALSE)
  foreach(byte IN LISTS bytes)
    math(EXPR line_number "${count} + 1")
    if(pending_cr AND NOT byte STREQUAL "0a")
      scenario_error("${file}" ${line_number} "carriage return inside a line")
    endif()
    if(byte STREQUAL "0d")
      set(pending_cr TRUE)
      continue()
    endif()
    set(pending_cr FALSE)
    if(byte STREQUAL "0a")
      if(current STREQUAL marker_hex)
        scenario_error("${file}" ${line_number} "line equal to the end-of-list marker \"${end_of_list_marker}\"")
      endif()
      list(APPEND lines "x${current}")
      set(count ${line_number})
      if(count GREATER max_lines)
        scenario_error("${file}" ${count} "more than ${max_lines} lines")
      endif()
      set(current "")
      set(open_line FALSE)
      continue()
    endif()
    if(byte MATCHES "^[01][0-9a-f]$" OR byte STREQUAL "7f")
      scenario_error("${file}" ${line_number} "control character 0x${byte}")
    endif()
    string(APPEND current "${byte}")
    set(open_line TRUE)
  endforeach()
  math(EXPR line_number "${count} + 1")
  if(pending_cr)
    scenario_error("${file}" ${line_number} "carriage return without a line feed at the end of the file")
  endif()
  if(open_line)
    if(current STREQUAL marker_hex)
      scenario_error("${file}" ${line_number} "line equal to the end-of-list marker \"${end_of_list_marker}\"")
    endif()
    if(line_number GREATER max_lines)
      scenario_error("${file}" ${line_number} "more than ${max_lines} lines")
    endif()
    list(APPEND lines "x${current}")
  endif()
  set(${out_var} "${lines}" PARENT_SCOPE)
endfunction()

# A C++ string_view expression for one line given as "x" + hex pairs.
function(line_literal tagged_hex out_var)
  string(SUBSTRING "${tagged_hex}" 1 -1 hex)
  string(LENGTH "${hex}" hex_length)
  math(EXPR size "${hex_length} / 2")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "\\\\x\\1" escaped "${hex}")
  set(${out_var} "std::string_view{\"${escaped}\", ${size}}" PARENT_SCOPE)
endfunction()

function(lines_array name file out_var)
  read_scenario_lines("${file}" lines)
  list(LENGTH lines count)
  set(code "constexpr std::array<std::string_view, ${count}> ${name}{{\n")
  foreach(line IN LISTS lines)
    line_literal("${line}" literal)
    string(APPEND code "    ${literal},\n")
  endforeach()
  string(APPEND code "}};\n\n")
  set(${out_var} "${code}" PARENT_SCOPE)
endfunction()

# The two names of scenario.txt, as C++ string_view expressions.
function(scenario_names file line_name_var train_number_var)
  read_scenario_lines("${file}" lines)
  set(number 0)
  foreach(line IN LISTS lines)
    math(EXPR number "${number} + 1")
    string(SUBSTRING "${line}" 1 -1 hex)
    if(hex STREQUAL "")
      continue()
    endif()
    set(found FALSE)
    foreach(key line_name train_number)
      string(HEX "${key}=" key_hex)
      string(LENGTH "${key_hex}" key_length)
      string(SUBSTRING "${hex}" 0 ${key_length} head)
      if(head STREQUAL key_hex)
        string(SUBSTRING "${hex}" ${key_length} -1 value)
        string(REGEX MATCHALL "[0-9a-f][0-9a-f]" value_bytes "${value}")
        list(LENGTH value_bytes value_length)
        if(value_length EQUAL 0 OR value_length GREATER 200)
          scenario_error("${file}" ${number} "${key} must hold 1 to 200 characters")
        endif()
        foreach(forbidden 2f 5c 3a 2a 3f 22 3c 3e 7c)
          list(FIND value_bytes ${forbidden} at)
          if(NOT at EQUAL -1)
            scenario_error("${file}" ${number} "${key} holds a character that cannot stand in a file name")
          endif()
        endforeach()
        if(DEFINED ${key}_value)
          scenario_error("${file}" ${number} "${key} given twice")
        endif()
        set(${key}_value "x${value}")
        set(found TRUE)
      endif()
    endforeach()
    if(NOT found)
      scenario_error("${file}" ${number} "expected line_name=... or train_number=...")
    endif()
  endforeach()
  foreach(key line_name train_number)
    if(NOT DEFINED ${key}_value)
      message(FATAL_ERROR "${file}: no ${key}= line")
    endif()
  endforeach()
  line_literal("${line_name_value}" line_name_literal)
  line_literal("${train_number_value}" train_number_literal)
  set(${line_name_var} "${line_name_literal}" PARENT_SCOPE)
  set(${train_number_var} "${train_number_literal}" PARENT_SCOPE)
endfunction()

if(NOT DEFINED SCENARIO_DIR OR NOT DEFINED OUTPUT)
  message(FATAL_ERROR "usage: cmake -DSCENARIO_DIR=<folder> -DOUTPUT=<file.cpp> -P embed_scenario.cmake")
endif()

scenario_names("${SCENARIO_DIR}/scenario.txt" line_name train_number)
set(arrays "")
foreach(pair "line_source;linea" "train_source;treno" "notes;note" "slowdown_order;rallentamenti"
        "train_card;scheda_treno")
  list(GET pair 0 member)
  list(GET pair 1 file)
  lines_array(${member}_lines "${SCENARIO_DIR}/${file}.txt" code)
  string(APPEND arrays "${code}")
endforeach()

set(source "// Generated by cmake/embed_scenario.cmake from the scenario folder
// ${SCENARIO_DIR}
// Do not edit: change the folder's text files and rebuild.
#include <array>
#include <string_view>

#include \"writers/scenario_text.h\"

namespace compila {
namespace {

${arrays}}  // namespace

const scenario_text& embedded_scenario() {
  static const scenario_text scenario{
      ${line_name},
      ${train_number},
      line_source_lines,
      train_source_lines,
      notes_lines,
      slowdown_order_lines,
      train_card_lines,
  };
  return scenario;
}

}  // namespace compila
")

file(WRITE "${OUTPUT}" "${source}")
