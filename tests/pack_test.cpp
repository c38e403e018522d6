// scenario_tool pack against the CMake-built programs: the packed program,
// run from its own folder, writes the same files byte for byte, with the same
// status and lines; a damaged or missing scenario is reported and nothing is
// written; pack refuses what it cannot pack and leaves the output alone.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "platform/file_writer.h"
#include "scenario_programs.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;
using compila::testing::read_file;
using compila::testing::scratch_directory;

using run_result = compila::testing::process_result;
using compila::testing::on_windows;
using compila::testing::program_file_name;

// Runs `command` from `directory`, which is not the program's own folder.
run_result run_in(const fs::path& directory, const std::string& command) {
  return compila::testing::run_command(command, directory);
}

run_result pack(const fs::path& directory, const std::string& arguments) {
  return run_in(directory, "'" COMPILA_TOOL "' pack " + arguments);
}

std::string quoted(const fs::path& path) {
  std::string text = "'";
  text.append(path.string()).append("'");
  return text;
}

using compila::testing::files_in;
using compila::testing::scenario_program;

class PackedProgram : public ::testing::TestWithParam<scenario_program> {};

TEST_P(PackedProgram, WritesTheCMakeBuiltProgramsFilesWithItsStatusAndLines) {
  const scenario_program& c = GetParam();
  scratch_directory scratch;
  const fs::path by_cmake = scratch / "cmake", by_pack = scratch / "packed";
  fs::create_directories(by_cmake);
  fs::create_directories(by_pack);
  const std::string program = program_file_name("program");
  fs::copy_file(c.program, by_cmake / program);
  // Some test scenarios have errors on purpose; the program must behave the same all the same.
  const run_result packing =
      pack(scratch.path, quoted(c.folder) + " -o " + quoted(by_pack / program) + " --allow-errors");
  ASSERT_EQ(packing.status, 0) << packing.err;
  EXPECT_EQ(packing.err, "");
  const auto permissions = fs::status(by_pack / program).permissions();
  if (!on_windows) {
    EXPECT_NE(permissions & fs::perms::owner_exec, fs::perms::none);
  }

  const run_result expected = run_in(scratch.path, "cmake/" + program);
  const run_result packed = run_in(scratch.path, "packed/" + program);
  EXPECT_EQ(packed.status, expected.status);
  EXPECT_EQ(packed.out, expected.out);
  EXPECT_EQ(packed.err, expected.err);
  fs::remove(by_cmake / program);
  fs::remove(by_pack / program);
  const auto cmake_files = files_in(by_cmake), packed_files = files_in(by_pack);
  EXPECT_FALSE(cmake_files.empty());
  ASSERT_EQ(packed_files.size(), cmake_files.size());
  for (const auto& [name, bytes] : cmake_files) {
    ASSERT_TRUE(packed_files.count(name)) << name;
    EXPECT_TRUE(packed_files.at(name) == bytes) << name << " differs";
  }
}

INSTANTIATE_TEST_SUITE_P(EveryScenario, PackedProgram, ::testing::ValuesIn(compila::testing::every_scenario_program()),
                         [](const auto& info) { return compila::testing::scenario_program_name(info.param); });

TEST(PackedProgramDamage, MissingOrDamagedScenarioIsReportedAndNothingWritten) {
  scratch_directory scratch;
  ASSERT_EQ(pack(scratch.path, quoted(COMPILA_SCENARIO_DIR) + " -o sound").status, 0);
  const std::string sound = read_file(scratch / "sound");
  const std::string runner = read_file(COMPILA_RUNNER);
  const std::size_t payload_start = runner.size();
  struct damage_case {
    const char* name;
    std::string bytes;
    std::string reason;
  } cases[] = {
      {"bare", runner, "no scenario is appended to this program"},
      {"cut", sound.substr(0, sound.size() - 100),
       "the program is cut short: it holds " + std::to_string(sound.size() - 100) + " of the " +
           std::to_string(sound.size()) + " bytes it was packed with"},
      {"flipped",
       sound.substr(0, payload_start + 40) + char(sound[payload_start + 40] ^ 0x04) + sound.substr(payload_start + 41),
       "the appended scenario is damaged: its CRC-32 should be"},
  };
  for (const damage_case& c : cases) {
    const fs::path dir = scratch / c.name;
    fs::create_directories(dir);
    std::string error;
    const fs::path program = dir / program_file_name("program");
    ASSERT_TRUE(compila::write_whole_program(program.string(), c.bytes, error)) << error;
    const run_result r = run_in(scratch.path, quoted(program));
    EXPECT_EQ(r.status, 1) << c.name;
    EXPECT_EQ(r.out, "") << c.name;
    // The runner names itself as the system reports its path.
    EXPECT_NE(r.err.find(program_file_name("program") + ": " + c.reason), std::string::npos) << c.name << ": " << r.err;
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << c.name << ": one line: " << r.err;
    EXPECT_EQ(files_in(dir).size(), 1u) << c.name;
  }
}

TEST(PackRefusals, WhatCannotBePackedIsNamedAndTheOutputLeftAlone) {
  scratch_directory scratch;
  const fs::path empty_folder = scratch / "empty";
  fs::create_directories(empty_folder);
  ASSERT_EQ(pack(scratch.path, quoted(COMPILA_SCENARIO_DIR) + " -o packed").status, 0);
  const std::string folder = quoted(COMPILA_SCENARIO_DIR);
  struct refusal_case {
    std::string arguments, named;
    int status;
  };
  std::vector<refusal_case> cases = {
      {quoted(empty_folder) + " -o out", (empty_folder / "scenario.txt").string() + ": missing scenario file", 1},
      {folder + " -o out --runner " + quoted(scratch / "nowhere"), (scratch / "nowhere").string() + ": cannot read", 1},
      {folder + " -o out --runner packed", "packed: already carries a packed scenario", 1},
      {folder + " -o out --runner ./out", "out: is the runner itself", 1},
      {folder + " -o out --runner " + quoted(COMPILA_SCENARIO_DIR "/linea.txt"), "so it cannot be the runner", 1},
      {folder + " -o " + quoted(scratch / "no_such_folder" / "out"),
       (scratch / "no_such_folder" / "out").string() + ": create", 1},
      {folder, "--output is required", 64},
  };
  // Here the runner beside the tool is not a Windows program.
  if (!on_windows)
    cases.push_back({folder + " -o out --windows --runner " + quoted(COMPILA_RUNNER), "not a Windows program", 1});
  fs::copy_file(COMPILA_RUNNER, scratch / "out");  // a runner, which no refusal may touch
  const std::string before = read_file(scratch / "out");
  for (const refusal_case& c : cases) {
    const run_result r = pack(scratch.path, c.arguments);
    EXPECT_EQ(r.status, c.status) << c.arguments;
    EXPECT_NE(r.err.find(c.named), std::string::npos) << c.arguments << "\n" << r.err;
    EXPECT_TRUE(read_file(scratch / "out") == before) << c.arguments;
  }
  EXPECT_FALSE(fs::exists(scratch / "no_such_folder"));
  EXPECT_FALSE(fs::exists(scratch / "out.tmp"));
}

TEST(PackRefusals, FolderWithAnErrorIsRefusedUnlessAllowed) {
  scratch_directory scratch;
  const fs::path folder = scratch / "folder";
  fs::copy(COMPILA_SCENARIO_DIR, folder);
  std::string linea = read_file(folder / "linea.txt");
  const std::size_t end = linea.find("[fine]");
  ASSERT_NE(end, std::string::npos);
  const std::size_t line = std::count(linea.begin(), linea.begin() + end, '\n') + 1;
  linea.insert(end, "pendenza, 4x00, 5\r\n");
  std::string error;
  ASSERT_TRUE(compila::write_whole_file((folder / "linea.txt").string(), linea, error)) << error;

  const run_result refused = pack(scratch.path, "folder -o program");
  EXPECT_EQ(refused.status, 1);
  const std::string linea_file = std::string("folder") + (on_windows ? "\\" : "/") + "linea.txt";
  EXPECT_NE(refused.err.find("folder: not packed: check finds 1 error, the first " + linea_file + ":" +
                             std::to_string(line) + ": diagnostic 25"),
            std::string::npos)
      << refused.err;
  EXPECT_NE(refused.err.find("scenario_tool check folder"), std::string::npos) << refused.err;
  EXPECT_NE(refused.err.find("--allow-errors"), std::string::npos) << refused.err;
  EXPECT_FALSE(fs::exists(scratch / "program"));

  const run_result allowed = pack(scratch.path, "folder -o program --allow-errors");
  EXPECT_EQ(allowed.status, 0) << allowed.err;
  EXPECT_TRUE(fs::exists(scratch / "program"));
}

}  // namespace
