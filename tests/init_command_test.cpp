// scenario_tool init: the folder it writes is the starter, builds clean, and
// an author's existing folder is never overwritten.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "test_support.h"

namespace {

namespace fs = std::filesystem;
using compila::testing::read_file;
using compila::testing::scratch_directory;

const char* const folder_files[] = {"scenario.txt", "linea.txt",         "treno.txt",
                                    "note.txt",     "rallentamenti.txt", "scheda_treno.txt"};

// Runs the tool in the scratch folder; its standard error goes to the file `err_file`.
int tool(const std::vector<std::string>& arguments, const fs::path& err_file) {
  const compila::testing::process_result r =
      compila::testing::run_process(COMPILA_TOOL, arguments, err_file.parent_path());
  std::ofstream(err_file, std::ios::binary) << r.err;
  return r.status;
}

TEST(ToolInit, WritesTheStarterFolderWhichBuildsClean) {
  scratch_directory scratch;
  const fs::path folder = scratch / "new/my_line";
  ASSERT_EQ(tool({"init", folder.string()}, scratch / "err"), 0) << read_file(scratch / "err");
  for (const char* name : folder_files)
    EXPECT_EQ(read_file(folder / name), read_file(fs::path(COMPILA_SOURCE_DIR) / "examples/starter" / name)) << name;

  fs::create_directories(scratch / "out");
  EXPECT_EQ(tool({"build", folder.string(), "-o", (scratch / "out").string()}, scratch / "err"), 0);
  EXPECT_EQ(read_file(scratch / "err"), "");
  EXPECT_TRUE(fs::exists(scratch / "out/Valle_Prima_101.dat"));
  EXPECT_TRUE(fs::exists(scratch / "out/Valle_Prima_linea.dat"));
}

TEST(ToolInit, RefusesAFolderThatHoldsAScenarioFile) {
  scratch_directory scratch;
  const fs::path folder = scratch / "mine";
  fs::create_directories(folder);
  { std::ofstream(folder / "treno.txt", std::ios::binary) << "my own train\n"; }
  EXPECT_EQ(tool({"init", folder.string()}, scratch / "err"), 1);
  EXPECT_NE(read_file(scratch / "err").find("treno.txt: already exists"), std::string::npos)
      << read_file(scratch / "err");
  EXPECT_EQ(read_file(folder / "treno.txt"), "my own train\n");
  EXPECT_FALSE(fs::exists(folder / "linea.txt"));
}

TEST(ToolInit, RefusesAFileAsTheFolderAndAMissingFolder) {
  scratch_directory scratch;
  { std::ofstream(scratch / "plain", std::ios::binary) << "x"; }
  EXPECT_EQ(tool({"init", (scratch / "plain").string()}, scratch / "err"), 1);
  EXPECT_EQ(read_file(scratch / "plain"), "x");
  EXPECT_EQ(tool({"init"}, scratch / "err"), 64);
}

}  // namespace
