// A run that cannot finish a file, because the disk is full or because it is
// killed while writing, leaves every output either as it was or wholly new.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "model/file_names.h"
#include "platform/file_writer.h"
#include "test_support.h"

namespace compila::testing {
namespace {

namespace fs = std::filesystem;

void write_text(const fs::path& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

TEST(InterruptedRun, AFullDiskLeavesTheEarlierFile) {
#ifdef _WIN32
  GTEST_SKIP() << "needs the POSIX device /dev/full; Windows has no device that refuses writes";
#endif
  scratch_directory dir;
  const fs::path target = dir / "scenario.dat";
  write_text(target, "earlier file");
  fs::create_symlink("/dev/full", dir / "scenario.dat.tmp");  // the new bytes go nowhere
  std::string error;
  const std::string bytes(100000, 'x');
  EXPECT_FALSE(write_whole_file(target.string(), bytes, error));
  EXPECT_NE(error.find(target.string()), std::string::npos) << error;
  EXPECT_NE(error.find("No space left on device"), std::string::npos) << error;
  EXPECT_EQ(read_file(target), "earlier file");
  EXPECT_FALSE(fs::exists(fs::symlink_status(dir / "scenario.dat.tmp")));
}

// The program is held up at the track file, last of the three (a pipe
// nobody reads on POSIX, the old file held open by another program on
// Windows), and is killed there.
TEST(InterruptedRun, AProgramKilledWhileWritingLeavesEachFileWholeOrAsItWas) {
  scratch_directory dir;
  const scenario_model names = named_model();
  const fs::path program = dir / program_file_name("compila_scenario");
  fs::copy_file(COMPILA_PROGRAM, program);
  for (const std::string& name : {line_data_name(names), item_file_name(names), track_file_name(names)})
    write_text(dir / name, "earlier file");
  const file_stall stall(dir / track_file_name(names));
  ASSERT_TRUE(stall.active());

  running_process run(program, dir.path);
  ASSERT_TRUE(run.started());
  const fs::path item_file = dir / item_file_name(names);
  for (int i = 0; i < 200 && read_file(item_file) == "earlier file"; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  ASSERT_TRUE(run.kill_and_wait());

  EXPECT_EQ(fs::file_size(dir / line_data_name(names)), 1779964u);
  EXPECT_EQ(fs::file_size(item_file), 3156u);
  EXPECT_EQ(read_file(dir / track_file_name(names)), "earlier file");
}

}  // namespace
}  // namespace compila::testing
