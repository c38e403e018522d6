// The scenario folders that CMake builds programs from, each with its
// program: the tests that compare another way of building a folder (the
// tool's build, a packed program) with the CMake-built program share them.
#pragma once

#include <filesystem>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "platform/utf8_path.h"
#include "test_support.h"

namespace compila::testing {

struct scenario_program {
  std::filesystem::path program;
  std::filesystem::path folder;
};

// The embedded scenario, the test scenarios and the starter.
inline std::vector<scenario_program> every_scenario_program() {
  namespace fs = std::filesystem;
  const fs::path programs(COMPILA_SCENARIO_PROGRAMS_DIR), source(COMPILA_SOURCE_DIR);
  std::vector<scenario_program> cases{{COMPILA_PROGRAM, COMPILA_SCENARIO_DIR}};
  for (const char* folder : {"speed_board_at_0", "signal_at_0", "signal_at_0_second_codes"})
    cases.push_back(
        {programs / program_file_name(std::string("scenario_") + folder), source / "tests/scenarios" / folder});
  cases.push_back({programs / program_file_name("scenario_starter"), source / "examples/starter"});
  return cases;
}

// Every file of `dir` by its (UTF-8) name, with its content.
inline std::map<std::string, std::string> files_in(const std::filesystem::path& dir) {
  std::map<std::string, std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(dir))
    files[utf8_text(entry.path().filename())] = read_file(entry.path());
  return files;
}

// A test's name for one of them: its folder's name ("scenario", "starter", ...).
inline std::string scenario_program_name(const scenario_program& c) { return c.folder.filename().string(); }

// How GoogleTest shows a case in its list and its failures.
inline void PrintTo(const scenario_program& c, std::ostream* out) {
  *out << scenario_program_name(c) << " (" << utf8_text(c.program) << " built from " << utf8_text(c.folder) << ")";
}

}  // namespace compila::testing
