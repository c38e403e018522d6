// The Windows program among other programs and in any folder: an output held
// open by another program or marked read-only ends the run with a message
// naming the file and the reason, the old file as it was and no temporary
// file left; a program folder named outside the ANSI code page works.
#ifdef _WIN32
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "model/file_names.h"
#include "platform/utf8_path.h"
#include "scenario_programs.h"
#include "test_support.h"

namespace compila::testing {
namespace {

namespace fs = std::filesystem;

// The embedded scenario's program, copied into `dir`, with each binary output
// already there from an earlier run.
class EarlierOutputs : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(dir_.path.empty());
    program_ = dir_ / program_file_name("compila_scenario");
    fs::copy_file(COMPILA_PROGRAM, program_);
    for (const std::string& name : {line_data_name(names_), item_file_name(names_), track_file_name(names_)})
      std::ofstream(dir_ / name, std::ios::binary) << "earlier file";
  }

  // Runs the program and checks what every refused replace of the track file
  // must leave: status 1, the file and `reason` named, the old track file as
  // it was, the two files finished before it whole, and no temporary file.
  void expect_track_file_refused(const std::string& reason) {
    const process_result run = run_process(program_, {}, dir_.path);
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_NE(run.err.find(track_file_name(names_)), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(reason), std::string::npos) << run.err;
    EXPECT_EQ(read_file(dir_ / track_file_name(names_)), "earlier file");
    EXPECT_EQ(fs::file_size(dir_ / item_file_name(names_)), 3156u);
    EXPECT_EQ(fs::file_size(dir_ / line_data_name(names_)), 1779964u);
    for (const auto& entry : fs::directory_iterator(dir_.path))
      EXPECT_NE(entry.path().extension(), ".tmp") << entry.path();
  }

  scratch_directory dir_;
  scenario_model names_ = named_model();
  fs::path program_;
};

TEST_F(EarlierOutputs, ATrackFileHeldOpenByAnotherProgramIsLeftAsItWas) {
  const file_stall simulator(dir_ / track_file_name(names_));
  ASSERT_TRUE(simulator.active());
  expect_track_file_refused("another program holds the file open");
}

TEST_F(EarlierOutputs, AReadOnlyTrackFileIsLeftAsItWas) {
  const std::wstring track = (dir_ / track_file_name(names_)).wstring();
  ASSERT_TRUE(SetFileAttributesW(track.c_str(), FILE_ATTRIBUTE_READONLY));
  expect_track_file_refused("the file is read-only");
  SetFileAttributesW(track.c_str(), FILE_ATTRIBUTE_NORMAL);
}

// A user's folder named in Cyrillic and Greek, outside any single ANSI code
// page: the program finds itself there and writes the same files as from a
// plain folder.
TEST(ProgramFolder, NamedInCyrillicAndGreekGetsTheSameFiles) {
  scratch_directory top;
  const fs::path plain = top / "plain";
  const fs::path unicode = top.path / utf8_path("Пользователь Χρήστης");
  std::map<std::string, std::string> written[2];
  int i = 0;
  for (const fs::path& dir : {plain, unicode}) {
    fs::create_directories(dir);
    const fs::path program = dir / program_file_name("compila_scenario");
    fs::copy_file(COMPILA_PROGRAM, program);
    const process_result run = run_process(program, {}, top.path);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    fs::remove(program);
    written[i++] = files_in(dir);
  }
  EXPECT_EQ(written[1].size(), 6u);
  EXPECT_TRUE(written[0] == written[1]);
  EXPECT_EQ(files_in(top.path).size(), 2u);  // nothing written beside the two folders
}

// The author's tool given folders named in Cyrillic and Greek on its command
// line reads from and writes into exactly those folders.
TEST(ProgramFolder, ToolBuildsBetweenFoldersNamedInCyrillicAndGreek) {
  scratch_directory top;
  const fs::path source = top.path / utf8_path("Сценарий"), out = top.path / utf8_path("Выход Έξοδος");
  fs::create_directories(out);
  fs::copy(COMPILA_SCENARIO_DIR, source);
  const process_result run = run_process(COMPILA_TOOL, {"build", utf8_text(source), "-o", utf8_text(out)}, top.path);
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(files_in(out).size(), 6u);
  EXPECT_EQ(files_in(top.path).size(), 2u);
}

}  // namespace
}  // namespace compila::testing
#endif
