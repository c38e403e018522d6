#include "fuzz_support.h"

#include <cstdio>
#include <cstdlib>
#include <set>

#include "driver/build_pipeline.h"
#include "driver/compile_sources.h"
#include "driver/post_processing.h"
#include "format/binary_writer.h"
#include "model/file_names.h"
#include "model/scenario_text.h"
#include "reading/source_files.h"

namespace compila::fuzzing {

void require(bool fact, const char* what) {
  if (fact) return;
  std::fprintf(stderr, "broken: %s\n", what);
  std::abort();
}

namespace {

bool is_build_code(std::int32_t code) {
  static const std::set<std::int32_t> codes = {0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10,  11,  12, 13,
                                               15, 16, 17, 18, 19, 20, 21, 22, 24, 25, 101, 102, 103};
  return codes.count(code) != 0;
}

std::string joined(std::span<const std::string_view> lines) {
  std::string text;
  for (std::string_view line : lines) text.append(line).append("\r\n");
  return text;
}

}  // namespace

scenario_model compile_texts(const std::string& line_text, const std::string& train_text, bool with_plan) {
  scenario_model model;
  model.line_name = "Corvalia_Brunasco-Alpestra";
  model.train_number = "40517";
  model.with_plan = with_plan;
  memory_source_files files;
  files.files[line_source_name(model)] = line_text;
  files.files[train_source_name(model)] = train_text;
  compile_sources(model, files);
  require(files.files.empty(), "a source file outlived the reading");
  require(is_build_code(model.error_kind), "error_kind holds no build code");
  require(model.error_kind == 0 || !model.diagnostic.file.empty(), "a diagnostic without its file");
  if (model.has_cells()) {
    require(model.cells.size() == static_cast<std::size_t>(model.cell_count) + 1, "cells do not match cell_count");
    const std::int32_t points = with_plan ? model.track_extent_m + 1 : 0;
    require(model.track_plan.point_count() == points, "the plan does not match track_extent_m");
    require(model.track_plan.next_point() <= points, "the plan computed points beyond its end");
  }
  for (const item& it : model.items) require(it.text.size() <= 65535, "an item text too long for its file");
  return model;
}

void finish_build(scenario_model& model) {
  if (!model.has_cells()) return;
  post_process_track(model);
  require(model.cells.size() == static_cast<std::size_t>(model.cell_count) + 1, "post-processing resized cells");
  if (stamp_model(model) != nullptr) return;  // refused: no file is written
  std::size_t texts = 0;
  for (const item& it : model.items) texts += it.text.size();
  require(encode_item_file(model).size() == 87 * item_record_size_without_text + texts, "item file size");
  require(encode_track_file(model).size() == model.cells.size() * track_record_size, "track file size");
  const std::size_t plan_size = encode_line_data(model).size();
  const std::size_t points = static_cast<std::size_t>(model.track_plan.point_count());
  require(plan_size >= 2 * points * 2 && plan_size <= 2 * points * 10, "line data file size");
}

std::string embedded_line_text() { return joined(embedded_scenario().line_source); }
std::string embedded_train_text() { return joined(embedded_scenario().train_source); }

}  // namespace compila::fuzzing
