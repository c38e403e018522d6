// The folder reader's problems come located: the file as the author names
// it, the line (0 for the file as a whole) and the reason alone, so that
// build, pack and check each print them in their own way without parsing.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

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
      {"linea.txt", "[generale]\na\tb\n", 2, "tab: use blanks instead"},
      {"linea.txt",
       "[generale]\na\x01"
       "b\n",
       2, "control character 0x01"},
      {"note.txt", "a\rb\n", 1, "carriage return inside a line"},
      {"note.txt", "a\nb\r", 2, "carriage return without a line feed at the end of the file"},
      {"treno.txt", "x\ny\nriferimento fine del file\n", 3,
       "line equal to the end-of-list marker \"riferimento fine del file\""},
      {"scheda_treno.txt", std::string(1001, '\n'), 1001, "more than 1000 lines"},
      {"scenario.txt", "line_name=a\nline_name=b\ntrain_number=7\n", 2, "line_name given twice"},
      {"scenario.txt", "train_number=7\n", 0, "no line_name= line"},
      {"scenario.txt", "line_name=a\ntrain_number=7\nencoding=latin-1\n", 3, "encoding must be utf-8 or windows-1252"},
      {"scenario.txt", "encoding=utf-8\nline_name=a\ntrain_number=7\nencoding=utf-8\n", 4, "encoding given twice"},
      {"scenario.txt", "line_name=a\ntrain_number=7\nname=b\n", 3,
       "expected line_name=..., train_number=... or encoding=..."},
  };
  for (const auto& c : cases) {
    scratch_directory dir;
    write_sound_folder(dir.path);
    if (c.text.empty()) fs::remove(dir / c.file);
    else write(dir / c.file, c.text);
    scenario_folder folder;
    std::vector<located_problem> problems;
    EXPECT_FALSE(folder.load(utf8_text(dir.path), problems)) << c.file;
    EXPECT_EQ(problems,
              (std::vector<located_problem>{{folder_file_path(utf8_text(dir.path), c.file), c.line, c.message}}))
        << problem_lines(problems);
  }
}

// One run names every broken rule of every file, in file and line order, and
// a file's lines after a bad one are still read.
TEST(ScenarioFolder, EveryBrokenRuleOfEveryFileIsReported) {
  scratch_directory dir;
  write_sound_folder(dir.path);
  write(dir / "scenario.txt", "line_name=a\ntrain_number=7\nencoding=ascii\n");
  write(dir / "linea.txt", "[generale]\na\tb\nok\nc\td\n");
  write(dir / "treno.txt", "riferimento fine del file\n");
  fs::remove(dir / "note.txt");
  const std::string f = utf8_text(dir.path);
  scenario_folder folder;
  std::vector<located_problem> problems;
  EXPECT_FALSE(folder.load(f, problems));
  const std::vector<located_problem> expected{
      {folder_file_path(f, "scenario.txt"), 3, "encoding must be utf-8 or windows-1252"},
      {folder_file_path(f, "linea.txt"), 2, "tab: use blanks instead"},
      {folder_file_path(f, "linea.txt"), 4, "tab: use blanks instead"},
      {folder_file_path(f, "treno.txt"), 1, "line equal to the end-of-list marker \"riferimento fine del file\""},
      {folder_file_path(f, "note.txt"), 0, "missing scenario file"},
  };
  EXPECT_EQ(problems, expected) << problem_lines(problems);
}

// What scenario.txt declares decides what the lines hold: UTF-8 becomes the
// simulator's Windows-1252, declared Windows-1252 and undeclared bytes stay as
// they are, and undeclared UTF-8 is noted for check.
TEST(ScenarioFolder, TheDeclaredEncodingDecidesTheBytesOfTheLines) {
  const std::string utf8_text_lines = "\xEF\xBB\xBFPI\u00C8 DEL COLLE\nSANT\u2019ELIA \u20AC\n";
  const struct {
    std::string names;  // scenario.txt
    std::string note;   // note.txt
    std::vector<std::string> lines;
    std::vector<std::int32_t> undeclared_utf8;  // lines of note.txt, or 0 for line_name's line of scenario.txt
  } cases[] = {
      {"line_name=a\ntrain_number=7\nencoding=utf-8\n",
       utf8_text_lines,
       {"PI\xC8 DEL COLLE",
        "SANT\x92"
        "ELIA \x80"},
       {}},
      {"\xEF\xBB\xBF"
       "encoding=UTF-8\nline_name=a\ntrain_number=7\n",
       "\xEF\xBB\xBFx\r\ny\n",
       {"x", "y"},
       {}},
      {"line_name=a\ntrain_number=7\nencoding=windows-1252\n",
       "PI\xC8\n\xEF\xBB\xBFx\n",
       {"PI\xC8", "\xEF\xBB\xBFx"},
       {}},
      {"line_name=a\ntrain_number=7\n", "PI\xC8\nPI\u00C8\nPIE\n", {"PI\xC8", "PI\u00C8", "PIE"}, {2}},
      {"\xEF\xBB\xBFline_name=Pi\u00E8ve\ntrain_number=7\n", "\xEF\xBB\xBFx\n", {"\xEF\xBB\xBFx"}, {0, 1}},
  };
  for (const auto& c : cases) {
    scratch_directory dir;
    write_sound_folder(dir.path);
    write(dir / "scenario.txt", c.names);
    write(dir / "note.txt", c.note);
    const std::string f = utf8_text(dir.path);
    scenario_folder folder;
    std::vector<located_problem> problems;
    ASSERT_TRUE(folder.load(f, problems)) << c.names << problem_lines(problems);
    EXPECT_EQ(folder.file_lines(2), c.lines) << c.names;
    std::vector<located_problem> expected;
    for (const std::int32_t line : c.undeclared_utf8) {
      const bool names_line = line == 0;
      expected.push_back({folder_file_path(f, names_line ? "scenario.txt" : "note.txt"), names_line ? 1 : line,
                          "saved as UTF-8: add `encoding=utf-8` to scenario.txt to have it converted, or "
                          "`encoding=windows-1252` to keep these bytes"});
    }
    EXPECT_EQ(folder.undeclared_utf8_lines(), expected) << c.names;
  }
}

// Under a declared encoding a line that is not UTF-8, a character the code
// page lacks and a name beyond ASCII are refused at their line, the
// character named; and without one a name that no file name on Windows can
// hold.
TEST(ScenarioFolder, WhatCannotBecomeWindows1252IsRefusedAtItsLine) {
  const struct {
    std::string names;
    std::string note;
    std::string file;
    std::int32_t line;
    std::string message;
  } cases[] = {
      {"line_name=a\ntrain_number=7\nencoding=utf-8\n", "ok\nan arrow \u2192\n", "note.txt", 2,
       "character U+2192 \"\u2192\" has no Windows-1252 form, the code page the simulator shows texts in"},
      {"line_name=a\ntrain_number=7\nencoding=utf-8\n", "PI\xC8\n", "note.txt", 1,
       "byte 0xC8 is not UTF-8, which scenario.txt declares: save the file as UTF-8, or declare "
       "encoding=windows-1252"},
      {"line_name=Pi\u00E8ve\ntrain_number=7\nencoding=utf-8\n", "", "scenario.txt", 1,
       "line_name holds U+00E8 \"\u00E8\": the names make the file names and the competition codes, so they take "
       "ASCII characters only"},
      {"line_name=Pi\xE8ve\ntrain_number=7\n", "", "scenario.txt", 1,
       "line_name holds byte 0xE8, which is not UTF-8: the names make the file names, which Windows cannot spell "
       "with it, so write them in ASCII characters"},
      {"encoding=windows-1252\nline_name=a\ntrain_number=7\x92\n", "", "scenario.txt", 3,
       "train_number holds U+2019 \"\u2019\": the names make the file names and the competition codes, so they "
       "take ASCII characters only"},
  };
  for (const auto& c : cases) {
    scratch_directory dir;
    write_sound_folder(dir.path);
    write(dir / "scenario.txt", c.names);
    write(dir / "note.txt", c.note);
    const std::string f = utf8_text(dir.path);
    scenario_folder folder;
    std::vector<located_problem> problems;
    EXPECT_FALSE(folder.load(f, problems)) << c.message;
    EXPECT_EQ(problems, (std::vector<located_problem>{{folder_file_path(f, c.file), c.line, c.message}}))
        << problem_lines(problems);
  }
}

}  // namespace
}  // namespace compila::testing
