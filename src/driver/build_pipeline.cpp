#include "driver/build_pipeline.h"

#include <cstdio>
#include <cstdlib>

#include "driver/competition_codes.h"
#include "platform/platform.h"
#include "driver/post_processing.h"
#include "driver/compile_sources.h"
#include "format/binary_writer.h"
#include "model/diagnostics.h"
#include "model/file_names.h"
#include "platform/file_writer.h"
#include "scenario/text_writers.h"

namespace compila {
namespace {

using file_stream = bool (*)(const scenario_model&, byte_sink&);

bool write_binary(const scenario_model& model, const std::string& directory, const std::string& name,
                  file_stream stream, std::string& error) {
  return write_whole_file(
      platform::file_path(directory, name), [&](byte_sink& sink) { return stream(model, sink); }, error);
}

bool written(bool done, const std::string& error, build_outcome& outcome) {
  if (done) return true;
  outcome.end = build_outcome::kind::write_failed;
  outcome.message = error;
  return false;
}

void report_line(const std::string& line) {
  std::fprintf(stderr, "%s\n", line.c_str());
  std::fflush(stderr);
}

}  // namespace

bool write_line_data_file(const scenario_model& model, const std::string& directory, std::string& error) {
  return write_binary(model, directory, line_data_name(model), stream_line_data, error);
}

bool write_item_file(const scenario_model& model, const std::string& directory, std::string& error) {
  return write_binary(model, directory, item_file_name(model), stream_item_file, error);
}

bool write_track_file(const scenario_model& model, const std::string& directory, std::string& error) {
  return write_binary(model, directory, track_file_name(model), stream_track_file, error);
}

const char* stamp_model(scenario_model& model) {
  item& line_item = model.items[85];
  track_cell& cell_1 = model.cells[1];
  if (line_item.word_1 != 0 || cell_1.param_1 != 0) return "1250";
  line_item.word_1 = item_format_marker;
  cell_1.param_1 = track_format_marker;
  if (line_item.seconds != 0 || cell_1.param_2 != 0) return "1251";
  line_item.seconds = weighted_competition_code(model);
  cell_1.param_2 = static_cast<std::int16_t>(plain_competition_code(model));
  return nullptr;
}

build_outcome build_from_sources(scenario_model& model, bool with_plan, source_files& sources,
                                 const std::string& directory) {
  model.with_plan = with_plan;
  model.error_kind = 0;
  model.diagnostic = {};
  for (item& it : model.items) it = item{};

  compile_sources(model, sources);
  if (!model.has_cells()) return {build_outcome::kind::no_track, {}, {}};
  post_process_track(model);

  if (const char* refusal = stamp_model(model)) return {build_outcome::kind::refused, refusal, {}};

  build_outcome outcome;
  std::string error;
  if (model.with_plan && !written(write_line_data_file(model, directory, error), error, outcome))
    return outcome;
  if (!written(write_item_file(model, directory, error), error, outcome)) return outcome;
  written(write_track_file(model, directory, error), error, outcome);
  return outcome;
}

std::string diagnostic_report(const scenario_model& model) {
  return diagnostic_line(model.error_kind, model.diagnostic);
}

void show_error_and_exit(const std::string& a) {
  platform::show_message_box(" Errore n. " + a);
  std::exit(1);
}

build_result build_scenario(const scenario_text& scenario, const std::string& directory) {
  build_result result;
  const auto report = [&result](const std::string& line) {
    report_line(line);
    result.lines.push_back(line);
  };
  const auto end = [&result](int status, std::string refusal = {}) {
    result.status = status;
    result.refusal = std::move(refusal);
    return std::move(result);
  };
  scenario_model model;
  model.line_name = scenario.line_name;
  model.train_number = scenario.train_number;
  std::string error;
  if (!write_text_files(model, scenario, directory, error)) {
    report(error);
    return end(1);
  }

  directory_source_files sources(directory);
  const build_outcome outcome = build_from_sources(model, /*with_plan=*/true, sources, directory);
  switch (outcome.end) {
    case build_outcome::kind::refused:
      if (model.error_kind != 0) report(diagnostic_report(model));
      return end(1, outcome.refusal);
    case build_outcome::kind::no_track:
      if (model.error_kind != 0) report(diagnostic_report(model));
      report(line_source_name(model) + ": no usable route length, so there is no track: no binary file written");
      return end(1);
    case build_outcome::kind::write_failed:
      report(outcome.message);
      return end(1);
    case build_outcome::kind::written:
      break;
  }
  if (model.error_kind == 0) return end(0);
  report(diagnostic_report(model));
  return end(2);
}

int run_program(const scenario_text& scenario) {
  platform::show_wait_window();
  const std::string directory = platform::program_directory();
  if (directory.empty()) {
    report_line("cannot find the directory that holds the program");
    return 1;
  }
  const build_result result = build_scenario(scenario, directory);
  if (!result.refusal.empty()) show_error_and_exit(result.refusal);
  return result.status;
}

}  // namespace compila
