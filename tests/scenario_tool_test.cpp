// scenario_tool build against the CMake-built programs: the same files byte
// for byte, the same status and the same diagnostic lines; and its refusals
// of bad input.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "scenario_programs.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;
using compila::testing::process_result;
using compila::testing::program_file_name;
using compila::testing::read_file;
using compila::testing::run_process;
using compila::testing::scratch_directory;

process_result tool(const std::vector<std::string>& arguments, const fs::path& working_directory) {
  return run_process(COMPILA_TOOL, arguments, working_directory);
}

using compila::testing::files_in;
using compila::testing::scenario_program;

class ToolBuild : public ::testing::TestWithParam<scenario_program> {};

TEST_P(ToolBuild, WritesTheProgramsFilesWithItsStatusAndLines) {
  const scenario_program& c = GetParam();
  scratch_directory scratch;
  const fs::path by_program = scratch.path / "program", by_tool = scratch.path / "tool";
  fs::create_directories(by_program);
  fs::create_directories(by_tool);
  fs::copy_file(c.program, by_program / c.program.filename());
  const process_result program = run_process(by_program / c.program.filename(), {}, scratch.path);
  fs::remove(by_program / c.program.filename());
  const process_result built = tool({"build", c.folder.string(), "-o", by_tool.string()}, scratch.path);

  EXPECT_EQ(built.status, program.status);
  EXPECT_EQ(built.err, program.err);
  const auto expected = files_in(by_program), written = files_in(by_tool);
  EXPECT_FALSE(expected.empty());
  ASSERT_EQ(written.size(), expected.size());
  for (const auto& [name, bytes] : expected) {
    ASSERT_TRUE(written.count(name)) << name;
    EXPECT_TRUE(written.at(name) == bytes) << name << " differs";
  }
}

INSTANTIATE_TEST_SUITE_P(EveryScenario, ToolBuild, ::testing::ValuesIn(compila::testing::every_scenario_program()),
                         [](const auto& info) { return compila::testing::scenario_program_name(info.param); });

TEST(ToolBuildInput, BadFolderOrOutputIsNamedAndNothingIsWritten) {
  scratch_directory scratch;
  const fs::path out = scratch.path / "out";
  fs::create_directories(out);
  const fs::path not_a_scenario = scratch.path / "empty";
  fs::create_directories(not_a_scenario);
  struct bad_case {
    std::vector<std::string> arguments;
    std::string named;
  } cases[] = {
      {{"build", not_a_scenario.string(), "-o", out.string()}, (not_a_scenario / "scenario.txt").string()},
      {{"build", COMPILA_SCENARIO_DIR, "-o", (scratch.path / "nowhere").string()}, (scratch.path / "nowhere").string()},
      {{"build"}, "FOLDER"},
      {{"frobnicate"}, "frobnicate"},
  };
  for (const bad_case& c : cases) {
    const process_result r = tool(c.arguments, scratch.path);
    EXPECT_NE(r.status, 0) << c.arguments[0];
    EXPECT_NE(r.err.find(c.named), std::string::npos) << c.named << "\n" << r.err;
    EXPECT_TRUE(fs::is_empty(out)) << c.named;
  }
  EXPECT_FALSE(fs::exists(scratch.path / "nowhere"));
}

// A copy of the starter with the name of its middle station (line 24 of
// treno.txt) given as `station`, and scenario.txt as `names`.
fs::path starter_with_station(const fs::path& folder, const std::string& names, const std::string& station) {
  fs::copy(fs::path(COMPILA_SOURCE_DIR) / "examples/starter", folder);
  std::string train = read_file(folder / "treno.txt");
  const std::size_t at = train.find("MEZZANA");
  train.replace(at, 7, station);
  std::ofstream(folder / "treno.txt", std::ios::binary) << train;
  std::ofstream(folder / "scenario.txt", std::ios::binary) << names;
  return folder;
}

// The station name reaches the item file as the simulator shows it: UTF-8
// declared becomes Windows-1252; declared or undeclared bytes go through as
// they are, but check stops undeclared UTF-8 at its line.
TEST(ToolEncoding, CheckAndBuildFollowWhatScenarioTxtDeclares) {
  const std::string names = "line_name=Valle_Prima\ntrain_number=101\n";
  const struct {
    std::string what;
    std::string names;
    std::string station;
    int check_status;
    std::string check_line;  // expected in check's output
    std::string in_item_file;
  } cases[] = {
      {"utf-8 with a byte order mark", "\xEF\xBB\xBF" + names + "encoding=utf-8\n", "PI\u00C8 DEL COLLE", 0,
       "0 errors, 0 warnings", "PI\xC8 DEL COLLE"},
      {"windows-1252", names + "encoding=windows-1252\n", "PI\xC8 DEL COLLE", 0, "0 errors, 0 warnings",
       "PI\xC8 DEL COLLE"},
      {"undeclared utf-8", names, "PI\u00C8 DEL COLLE", 1,
       "treno.txt:24: error: saved as UTF-8: add `encoding=utf-8` to scenario.txt to have it converted, or "
       "`encoding=windows-1252` to keep these bytes [-Wutf8-undeclared]\n1 error, 0 warnings",
       "PI\u00C8 DEL COLLE"},
      {"undeclared windows-1252", names, "PI\xC8 DEL COLLE", 0, "0 errors, 0 warnings", "PI\xC8 DEL COLLE"},
  };
  for (const auto& c : cases) {
    scratch_directory scratch;
    const fs::path folder = starter_with_station(scratch.path / "folder", c.names, c.station);
    const process_result check = tool({"check", folder.string()}, scratch.path);
    EXPECT_EQ(check.status, c.check_status) << c.what;
    EXPECT_NE(check.out.find(c.check_line), std::string::npos) << c.what << "\n" << check.out;

    fs::create_directories(scratch.path / "out");
    const process_result build = tool({"build", folder.string(), "-o", (scratch.path / "out").string()}, scratch.path);
    EXPECT_EQ(build.status, 0) << c.what << "\n" << build.err;
    EXPECT_NE(read_file(scratch.path / "out/Valle_Prima_101.sim").find(c.in_item_file), std::string::npos) << c.what;
  }
}

// A character the code page lacks and a tab: check lists both, the build
// stops with both named and writes nothing.
TEST(ToolEncoding, WhatCannotBeWrittenStopsTheBuildAtItsLine) {
  scratch_directory scratch;
  const fs::path folder =
      starter_with_station(scratch.path / "folder", "line_name=Valle_Prima\ntrain_number=101\nencoding=utf-8\n",
                           "MEZZANA \u2192 NORD");
  std::ofstream(folder / "note.txt", std::ios::binary) << "a\tb\n";
  const std::string arrow = "treno.txt:24: error: character U+2192 \"\u2192\" has no Windows-1252 form";
  const std::string tab = "note.txt:1: error: tab: use blanks instead";
  const process_result check = tool({"check", folder.string()}, scratch.path);
  EXPECT_EQ(check.status, 1);
  EXPECT_NE(check.out.find(arrow), std::string::npos) << check.out;
  EXPECT_NE(check.out.find(tab), std::string::npos) << check.out;
  EXPECT_NE(check.out.find("2 errors, 0 warnings"), std::string::npos) << check.out;

  fs::create_directories(scratch.path / "out");
  const process_result build = tool({"build", folder.string(), "-o", (scratch.path / "out").string()}, scratch.path);
  EXPECT_EQ(build.status, 1);
  EXPECT_NE(build.err.find("treno.txt:24: character U+2192"), std::string::npos) << build.err;
  EXPECT_NE(build.err.find("note.txt:1: tab"), std::string::npos) << build.err;
  EXPECT_TRUE(fs::is_empty(scratch.path / "out"));
}

// Every command that reads a file refuses one above the one size limit,
// naming it, before reading it into memory.
TEST(ToolInput, AFileAboveTheSizeLimitIsRefusedByName) {
  scratch_directory scratch;
  const fs::path folder = scratch.path / "folder";
  fs::copy(COMPILA_SCENARIO_DIR, folder);
  const fs::path huge_line = folder / "linea.txt";
  fs::resize_file(huge_line, (64u << 20) + 1);  // sparse where the file system allows it
  const fs::path huge_data = scratch.path / "huge_linea.dat";
  std::ofstream(huge_data, std::ios::binary).close();
  fs::resize_file(huge_data, (64u << 20) + 1);
  const std::string too_large = "larger than 64 MiB, more than any file a build writes";
  const struct {
    std::vector<std::string> arguments;
    std::string expected;
    bool on_standard_output;
  } cases[] = {
      {{"build", folder.string(), "-o", scratch.path.string()},
       huge_line.string() + ": cannot read: " + too_large,
       false},
      {{"check", folder.string()}, huge_line.string() + ": error: cannot read: " + too_large, true},
      {{"dump", huge_data.string()}, huge_data.string() + ": error: " + too_large, false},
  };
  for (const auto& c : cases) {
    const process_result r = tool(c.arguments, scratch.path);
    EXPECT_EQ(r.status, 1) << c.arguments[0];
    EXPECT_NE((c.on_standard_output ? r.out : r.err).find(c.expected), std::string::npos) << c.arguments[0] << "\n"
                                                                                          << r.out << r.err;
  }
}

}  // namespace
