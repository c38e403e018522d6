#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "model/file_names.h"
#include "scenario/text_writers.h"
#include "test_support.h"

namespace compila::testing {
namespace {

namespace fs = std::filesystem;

TEST(WriterTable, WritesEverySlotWithCrLfOverALongerFile) {
  struct row {
    std::vector<std::string_view> lines;
    std::string bytes;
  } rows[] = {
      {{}, ""},
      {{""}, "\r\n"},
      {{"a  ", "", "  b", "", ""}, "a  \r\n\r\n  b\r\n\r\n\r\n"},
      {{"\xe9\xff x"}, "\xe9\xff x\r\n"},
  };
  scratch_directory dir;
  const fs::path path = dir.path / "out.txt";
  for (const row& r : rows) {
    std::ofstream(path, std::ios::binary) << std::string(5000, 'x');
    std::string error;
    ASSERT_TRUE(write_text_lines(path.string(), r.lines, error)) << error;
    EXPECT_EQ(read_file(path), r.bytes);
  }
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path), {}), 1) << "a temporary file was left behind";
}

TEST(WriterTable, MarkerEndsTheTableAndIsRefusedAsContent) {
  text_line_table table;
  const std::string_view five[] = {"1", "2", "3", "4", "5"}, two[] = {"a", "b"};
  ASSERT_TRUE(table.fill(five));
  ASSERT_TRUE(table.fill(two));  // slots 3 and 4 still hold "4" and "5" behind the marker
  EXPECT_EQ(table.file_text(), "a\r\nb\r\n");

  const std::string_view with_marker[] = {"a", end_of_list_marker};
  EXPECT_FALSE(table.fill(with_marker));
  const std::vector<std::string_view> most(1000, "x"), too_many(1001, "x");
  EXPECT_TRUE(table.fill(most));
  EXPECT_FALSE(table.fill(too_many));
}

TEST(EmbeddedWriters, WriteTheScenarioFilesUnderTheirNames) {
  // In the order of scenario_files.
  struct row {
    std::string name;
    std::size_t line_count;
    std::string first, last;
  } rows[] = {
      {"Corvalia_Brunasco-Alpestra_linea.txt", 198, "[generale]", "[fine]"},
      {"Corvalia_Brunasco-Alpestra_40517-.txt", 45, "[generale]", "[fine]"},
      {"Corvalia_Brunasco-Alpestra_40517_note.txt", 0, "", ""},
      {"Corvalia_Brunasco-Alpestra_40517_rallentamenti.txt", 44, "", "     i giorni esclusi i seguenti:........."},
      {"Corvalia_Brunasco-Alpestra_40517_scheda_treno.txt", 33, "", ""},
  };
  static_assert(std::size(rows) == scenario_files.size());
  scratch_directory dir;
  const scenario_model model = named_model();
  std::string error;
  ASSERT_TRUE(write_text_files(model, embedded_scenario(), dir.path.string(), error)) << error;
  for (std::size_t f = 0; f < scenario_files.size(); ++f) {
    const row& r = rows[f];
    EXPECT_EQ(output_name(scenario_files[f], model), r.name) << scenario_files[f].what;
    const std::string text = read_file(dir.path / r.name);
    std::vector<std::string> lines;
    for (std::size_t at = 0, end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2)
      lines.push_back(text.substr(at, end - at));
    EXPECT_EQ(lines.size(), r.line_count) << r.name;
    if (lines.empty()) {
      EXPECT_EQ(text, "") << r.name;
      continue;
    }
    EXPECT_EQ(lines.front(), r.first) << r.name;
    EXPECT_EQ(lines.back(), r.last) << r.name;
    EXPECT_EQ(text.find(end_of_list_marker), std::string::npos) << r.name;
  }
}

// The embedded lines are the configured folder's files: every byte kept, the
// CR of a CR LF dropped, a last line without a line feed kept.
TEST(EmbeddedWriters, LinesEqualTheScenarioFolderFiles) {
  const scenario_text& text = embedded_scenario();
  const std::pair<const char*, std::span<const std::string_view>> files[] = {
      {"linea.txt", text.line_source},
      {"treno.txt", text.train_source},
      {"note.txt", text.notes},
      {"rallentamenti.txt", text.slowdown_order},
      {"scheda_treno.txt", text.train_card},
  };
  for (const auto& [name, lines] : files) {
    std::string expected;
    for (std::string_view line : lines) expected.append(line).append("\n");
    std::string actual = read_file(fs::path(COMPILA_SCENARIO_DIR) / name);
    for (std::size_t at; (at = actual.find("\r\n")) != std::string::npos;) actual.erase(at, 1);
    if (!actual.empty() && actual.back() != '\n') actual += '\n';
    EXPECT_EQ(actual, expected) << name;
  }
  EXPECT_NE(read_file(fs::path(COMPILA_SCENARIO_DIR) / "scenario.txt")
                .find("line_name=" + std::string(text.line_name) + "\n"),
            std::string::npos);
}

}  // namespace
}  // namespace compila::testing
