#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>

#include "driver/build_pipeline.h"
#include "driver/competition_codes.h"
#include "format/binary_writer.h"
#include "model/file_names.h"
#include "test_support.h"

namespace compila::testing {
namespace {

namespace fs = std::filesystem;

std::string as_text(const byte_buffer& bytes) { return {bytes.begin(), bytes.end()}; }

const std::string signal_on_cell_1 = train_source("[segnali]\r\nsegnale,   0,   1, 4, 1,  0, 0,    0,  0,0,0, 0\r\n");

// Runs the build frame on a model with the embedded names; a missing line
// text leaves the line source file out.
build_outcome build(scenario_model& model, bool with_plan, const std::optional<std::string>& line_text,
                    const std::string& train_text, const scratch_directory& dir) {
  model = named_model();
  memory_source_files sources;
  if (line_text) sources.files[line_source_name(model)] = *line_text;
  sources.files[train_source_name(model)] = train_text;
  return build_from_sources(model, with_plan, sources, dir.path.string());
}

TEST(StampModel, RefusesOccupiedReservedFieldsAndStampsOtherwise) {
  struct row {
    std::function<void(scenario_model&)> occupy;
    const char* refusal;
  } rows[] = {
      {[](scenario_model& m) { m.cells[1].param_1 = -1; }, "1250"},
      {[](scenario_model& m) { m.items[85].word_1 = 1; }, "1250"},
      {[](scenario_model& m) { m.cells[1].param_2 = 1; }, "1251"},
      {[](scenario_model& m) { m.items[85].seconds = -7; }, "1251"},
      {[](scenario_model&) {}, nullptr},
  };
  for (const row& r : rows) {
    scenario_model model = named_model();
    model.items[85].text = line_name;
    model.items[86].text = train_number;
    model.cells.resize(3);
    r.occupy(model);
    const char* refusal = stamp_model(model);
    if (r.refusal != nullptr) {
      EXPECT_STREQ(refusal, r.refusal);
      continue;
    }
    EXPECT_EQ(refusal, nullptr);
    EXPECT_EQ(model.items[85].word_1, 610);
    EXPECT_EQ(model.cells[1].param_1, 5121);
    scenario_model codes = model;
    EXPECT_EQ(model.items[85].seconds, weighted_competition_code(codes));
    EXPECT_EQ(model.cells[1].param_2, plain_competition_code(codes));
  }
}

TEST(BuildFrameFiles, WritesNoBinaryFileWhenTheBuildStops) {
  struct row {
    const char* what;
    std::optional<std::string> line_text;
    std::string train_text;
    build_outcome::kind end;
    std::string refusal;
    std::int32_t error_kind;
  } rows[] = {
      {"signal on cell 1", line_source(""), signal_on_cell_1, build_outcome::kind::refused, "1250", 25},
      {"no line source", std::nullopt, train_source(""), build_outcome::kind::no_track, "", 101},
      {"no route length", "[generale]\r\nsfondo uno,    0\r\n[curve]\r\n[fine]\r\n", train_source(""),
       build_outcome::kind::no_track, "", 0},
      {"route too long", line_source("", 1000001), train_source(""), build_outcome::kind::no_track, "", 1},
  };
  for (const row& r : rows) {
    scratch_directory dir;
    scenario_model model;
    const build_outcome outcome = build(model, true, r.line_text, r.train_text, dir);
    EXPECT_EQ(outcome.end, r.end) << r.what;
    EXPECT_EQ(outcome.refusal, r.refusal) << r.what;
    EXPECT_EQ(model.error_kind, r.error_kind) << r.what;
    EXPECT_TRUE(fs::is_empty(dir.path)) << r.what;
  }
}

TEST(BuildFrameFiles, WithoutPlanLeavesTheLineDataFileAlone) {
  scratch_directory dir;
  scenario_model model = named_model();
  std::ofstream(dir / line_data_name(model)) << "earlier";
  const build_outcome outcome = build(model, false, line_source(""), train_source(""), dir);
  ASSERT_EQ(outcome.end, build_outcome::kind::written) << outcome.message;
  EXPECT_FALSE(model.track_plan.exists());
  EXPECT_EQ(read_file(dir / line_data_name(model)), "earlier");
  EXPECT_EQ(read_file(dir / track_file_name(model)), as_text(encode_track_file(model)));
  EXPECT_EQ(read_file(dir / item_file_name(model)), as_text(encode_item_file(model)));
}

TEST(BuildFrameFiles, ReplacesLongerEarlierFilesWhole) {
  scratch_directory dir;
  scenario_model model = named_model();
  const std::string names[] = {line_data_name(model), item_file_name(model), track_file_name(model)};
  for (const std::string& name : names) std::ofstream(dir / name) << std::string(2'000'000, 'x');
  ASSERT_EQ(build(model, true, line_source(""), train_source(""), dir).end, build_outcome::kind::written);
  EXPECT_EQ(fs::file_size(dir / names[0]), 20u * (model.track_extent_m - 3) + 24);
  EXPECT_EQ(fs::file_size(dir / names[2]), 15u * (model.cell_count + 1));
  EXPECT_EQ(read_file(dir / names[1]), as_text(encode_item_file(model)));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path), {}), 3);
}

// A binary file that cannot be written stops the writing there: the files
// before it are complete, the ones after it keep their earlier content.
TEST(BuildFrameFiles, FailedWriteNamesTheFileAndStops) {
  for (int blocked = 0; blocked < 3; ++blocked) {
    scratch_directory dir;
    scenario_model model = named_model();
    const std::string names[] = {line_data_name(model), item_file_name(model), track_file_name(model)};
    for (int i = 0; i < 3; ++i) {
      if (i == blocked) fs::create_directory(dir / names[i]);
      else std::ofstream(dir / names[i]) << "earlier";
    }
    const build_outcome outcome = build(model, true, line_source(""), train_source(""), dir);
    EXPECT_EQ(outcome.end, build_outcome::kind::write_failed);
    EXPECT_NE(outcome.message.find(names[blocked]), std::string::npos) << outcome.message;
    const std::string written[] = {as_text(encode_line_data(model)), as_text(encode_item_file(model)),
                                   as_text(encode_track_file(model))};
    for (int i = 0; i < 3; ++i) {
      if (i == blocked) EXPECT_TRUE(fs::is_directory(dir / names[i]));
      else EXPECT_EQ(read_file(dir / names[i]), i < blocked ? written[i] : "earlier") << names[i];
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path), {}), 3) << "a temporary file was left behind";
  }
}

}  // namespace
}  // namespace compila::testing
