// The folder reader's problems come located: the file as the author names
// it, the line (0 for the file as a whole) and the reason alone, so that
// build, pack and check each print them in their own way without parsing.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "model/diagnostics.h"
#include "platform/utf8_path.h"
#include "scenario/scenario_folder.h"
#include "test_support.h"

namespace compila::testing {
namespace {

namespace fs = std::filesystem;

void write(const fs::path& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

void write_sound_folder(const fs::path& folder) {
  write(folder / "scenario.txt", "line_name=Prova\ntrain_number=7\n");
  for (const scenario_file& file : scenario_files) write(folder / std::string(file.folder_name), "[generale]\n");
}

TEST(ScenarioFolder, ProblemsNameTheFileTheLineAndTheReasonApart) {
  const struct {
    std::string file;
    std::string text;  // empty: the file is removed
    std::int32_t line;
    std::string message;
  } cases[] = {
      {"note.txt", "", 0, "missing scenario file"},
      {"linea.txt", "[generale]\na\tb\n", 2, "control character 0x09"},
      {"treno.txt", "x\ny\nriferimento fine del file\n", 3,
       "line equal to the end-of-list marker \"riferimento fine del file\""},
      {"scheda_treno.txt", std::string(1001, '\n'), 1001, "more than 1000 lines"},
      {"scenario.txt", "line_name=a\nline_name=b\ntrain_number=7\n", 2, "line_name given twice"},
      {"scenario.txt", "train_number=7\n", 0, "no line_name= line"},
  };
  for (const auto& c : cases) {
    scratch_directory dir;
    write_sound_folder(dir.path);
    if (c.text.empty()) fs::remove(dir / c.file);
    else write(dir / c.file, c.text);
    scenario_folder folder;
    located_problem problem;
    EXPECT_FALSE(folder.load(utf8_text(dir.path), problem)) << c.file;
    EXPECT_EQ(problem, (located_problem{folder_file_path(utf8_text(dir.path), c.file), c.line, c.message}))
        << problem_line(problem);
  }
}

}  // namespace
}  // namespace compila::testing
