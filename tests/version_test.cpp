// `--version` of each program: one line with the project's version (and the
// commit, when the build knew it), status 0, and nothing written or built.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>

#include "scenario_programs.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;

struct versioned_program {
  std::string name;
  fs::path file;
};

class VersionOption : public ::testing::TestWithParam<versioned_program> {};

TEST_P(VersionOption, PrintsOneVersionLineAndWritesNothing) {
  const versioned_program& program = GetParam();
  compila::testing::scratch_directory scratch;
  const fs::path copy = scratch / program.file.filename().string();
  fs::copy_file(program.file, copy);

  const compila::testing::process_result result = compila::testing::run_process(copy, {"--version"}, scratch.path);

  EXPECT_EQ(result.status, 0);
  const std::regex line(program.name + " " + COMPILA_VERSION + R"(( \(commit [0-9a-f]{7,40}(-dirty)?\))?\n)");
  EXPECT_TRUE(std::regex_match(result.out, line)) << result.out;
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(compila::testing::files_in(scratch.path).size(), 1u) << "the program wrote beside itself";
}

INSTANTIATE_TEST_SUITE_P(EveryProgram, VersionOption,
                         ::testing::Values(versioned_program{"compila_scenario", COMPILA_PROGRAM},
                                           versioned_program{"compila_runner", COMPILA_RUNNER},
                                           versioned_program{"scenario_tool", COMPILA_TOOL}),
                         [](const auto& info) { return info.param.name; });

}  // namespace
