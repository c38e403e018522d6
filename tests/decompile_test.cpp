// scenario_tool decompile: the round trip build, decompile, build again
// gives the same bytes; files that no source can make are named.
#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <random>

#include "driver/build_pipeline.h"
#include "driver/compile_sources.h"
#include "driver/post_processing.h"
#include "format/binary_writer.h"
#include "large_scenario.h"
#include "model/file_names.h"
#include "scenario/scenario_folder.h"
#include "scenario/text_writers.h"
#include "test_support.h"
#include "tool/check/scenario_check.h"
#include "tool/decompile/decompiler.h"

namespace compila::testing {
namespace {

using folder_files = std::map<std::string, std::string, std::less<>>;
using decompile::build_files;
using decompile::decompiled;

class files_source : public scenario_file_source {
 public:
  explicit files_source(const folder_files& files) : files_(files) {}
  std::string path(std::string_view name) const override { return std::string(name); }
  bool read(std::string_view name, std::string& bytes, located_problem& problem) const override {
    const auto file = files_.find(name);
    if (file == files_.end()) {
      problem = {std::string(name), 0, "missing"};
      return false;
    }
    bytes = file->second;
    return true;
  }

 private:
  const folder_files& files_;
};

std::string as_text(const byte_buffer& bytes) { return {bytes.begin(), bytes.end()}; }

std::string table_text(std::span<const std::string_view> lines) {
  text_line_table table;
  EXPECT_TRUE(table.fill(lines));
  return table.file_text();
}

// What a build of `folder` writes, made in memory with the build's own steps.
struct built {
  bool written = false;
  std::int32_t error_kind = 0;
  build_files files;
};

built build_in_memory(const folder_files& folder_text) {
  built result;
  scenario_folder folder;
  located_problem problem;
  if (!folder.load(files_source(folder_text), problem)) {
    ADD_FAILURE() << problem_line(problem);
    return result;
  }
  scenario_model model;
  model.line_name = folder.line_name();
  model.train_number = folder.train_number();
  model.with_plan = true;
  memory_source_files sources;
  sources.files[line_source_name(model)] = table_text(folder.text().line_source);
  sources.files[train_source_name(model)] = table_text(folder.text().train_source);
  compile_sources(model, sources);
  if (!model.has_cells()) return result;
  post_process_track(model);
  if (stamp_model(model) != nullptr) return result;
  result.written = true;
  result.error_kind = model.error_kind;
  build_files& files = result.files;
  files.line_name = model.line_name;
  files.train_number = model.train_number;
  files.plan = {line_data_name(model), as_text(encode_line_data(model))};
  files.items = {item_file_name(model), as_text(encode_item_file(model))};
  files.track = {track_file_name(model), as_text(encode_track_file(model))};
  for (std::size_t d = 0; d < decompile::document_count; ++d)
    files.documents[d] = decompile::input_file{output_name(scenario_files[2 + d], model),
                                               table_text(folder.text().*scenario_files[2 + d].lines)};
  return result;
}

folder_files folder_on_disk(const std::filesystem::path& dir) {
  folder_files files{{std::string(scenario_names_file), read_file(dir / std::string(scenario_names_file))}};
  for (const scenario_file& file : scenario_files)
    files[std::string(file.folder_name)] = read_file(dir / std::string(file.folder_name));
  return files;
}

folder_files folder_of(const decompiled& result) { return {result.folder.begin(), result.folder.end()}; }

std::string joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

// Build, decompile, build again: the same bytes, and a folder that check
// passes without an error.
void expect_round_trip(const folder_files& folder, const std::string& label) {
  SCOPED_TRACE(label);
  const built first = build_in_memory(folder);
  ASSERT_TRUE(first.written);
  ASSERT_EQ(first.error_kind, 0) << "the first build must be clean";
  const decompiled result = decompile::decompile_build(first.files);
  ASSERT_EQ(result.status, 0) << joined(result.messages) << folder_of(result)["treno.txt"];
  const folder_files sources = folder_of(result);
  const built second = build_in_memory(sources);
  ASSERT_TRUE(second.written);
  EXPECT_EQ(second.error_kind, 0);
  EXPECT_TRUE(second.files.plan.bytes == first.files.plan.bytes);
  EXPECT_TRUE(second.files.items.bytes == first.files.items.bytes);
  EXPECT_TRUE(second.files.track.bytes == first.files.track.bytes) << sources.at("linea.txt") << sources.at("treno.txt");
  for (std::size_t d = 0; d < decompile::document_count; ++d)
    EXPECT_EQ(second.files.documents[d]->bytes, first.files.documents[d]->bytes);

  scenario_folder loaded;
  located_problem problem;
  ASSERT_TRUE(loaded.load(files_source(sources), problem)) << problem_line(problem);
  for (const check_finding& finding : check_scenario(loaded.text()))
    EXPECT_FALSE(finding.is_error()) << finding.message;
}

folder_files with_sources(const std::string& line, const std::string& train) {
  return {{"scenario.txt", "line_name=Prova_Ritorno\ntrain_number=77\n"},
          {"linea.txt", line},
          {"treno.txt", train},
          {"note.txt", "Note\n"},
          {"rallentamenti.txt", "ORDINE\n\n  con righe vuote  \n"},
          {"scheda_treno.txt", ""}};
}

TEST(Decompile, TheShippedScenariosAndTheLargestRouteComeBackByteForByte) {
  expect_round_trip(folder_on_disk(COMPILA_SCENARIO_DIR), "embedded scenario");
  expect_round_trip(folder_on_disk(std::filesystem::path(COMPILA_SOURCE_DIR) / "examples" / "starter"), "starter");
  const auto large = large_scenario::folder_files();
  expect_round_trip({large.begin(), large.end()}, "largest route");
}

// Sources whose bytes depend on the reading order or that the build changes.
TEST(Decompile, OrderAndAutomaticPointsAreKept) {
  const std::string general =
      "[generale]\nlunghezza percorso, 9000\n"
      "progressiva chilometrica uno, 3000, 500, 1\nprogressiva chilometrica due, 1000, 250, 0\n"
      "progressiva chilometrica tre, 2000, 100, 1\nripetizione segnali 9 codici, 100, 200\n";
  const std::string train_head =
      "[generale]\nnumero vetture, 3\naderenza, 0, 90\naderenza, 2000, 70\nvelocita, 0, 60\nvelocita, 6000, 100\n";
  const std::array cases{
      std::pair{"spans closely after one another keep their own kinds",
                general + "[montagne]\nmontagna, 1000, 1400, 11\nmontagna, 1450, 1800, 12\n"
                          "montagna, 1800, 2000, 1\nmontagna, 3000, 3100, 13\n[fine]\n"},
      std::pair{"signboards read out of chainage order keep their item slots",
                general + "[indicazioni]\ncartello_indicatore, 5000, (B)\ncartello_indicatore, 1000, (A)\n"
                          "cartello_indicatore, 3000, (C C)\n[fine]\n"},
      std::pair{"boards from 100 km/h up and stripes",
                general + "[cartelli]\nindicatori_vmax, 2000, 120, 100, 130, 3, 60, 85, 5, 2\n[fine]\n"},
      std::pair{"gradients piled at the last position write past the tail",
                general + "[pendenze]\npendenza, 0, 4\npendenza, 15800, 7\npendenza, 15800, 9\npendenza, 15800, 2\n"
                          "[fine]\n"},
  };
  for (const auto& [label, line] : cases) expect_round_trip(with_sources(line, train_head), label);

  const std::string line = general + "[fine]\n";
  const std::array trains{
      std::pair{"a signal read before a station whose approach cells it shares",
                "segnale, 2700, 1, 4, 1, 0, 0, 0, 0, 0, 0, 0\n"
                "stazione, 2500, 12, 400, 0, 0, 0, 1, 1, 0, 4, 1, 1, 60, 8, 3, 0, MEZZANA\n"},
      std::pair{"signals whose approach cells overlap, read against chainage",
                "segnale, 3200, 2, 4, 1, 0, 1, 0, 0, 0, 0, 45\nsegnale, 3000, 1, 3, 2, 1, 2, 1, 1, 1, 0, 300\n"},
      std::pair{"an author's point where the build would put its own, and one it lowers to 180",
                "segnale, 3050, 1, 4, 1, 0, 0, 0, 0, 0, 0, 0\nrallentamento, 5100, 60, 600, 1, 1, 7\n"
                "abbattimento, 4900, 180\nabbattimento, 3000, 250\nabbattimento, 2950, 100\nabbattimento, 6500, 0\n"},
      std::pair{"a slow slowdown with an author's point inside it and a signal after its end",
                "rallentamento, 3000, 30, 1500, 0, 0, 0\nabbattimento, 3400, 90\n"
                "segnale, 4600, 1, 4, 1, 0, 0, 0, 0, 0, 0, 0\n"},
  };
  for (const auto& [label, train] : trains) expect_round_trip(with_sources(line, train_head + train), label);
}

}  // namespace
}  // namespace compila::testing
