#include "driver/build_pipeline.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "driver/competition_codes.h"
#include "driver/compile_sources.h"
#include "driver/post_processing.h"
#include "format/binary_writer.h"
#include "model/diagnostics.h"
#include "model/file_names.h"
#include "platform/file_writer.h"
#include "platform/platform.h"
#include "reading/source_files.h"
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

// A build starts from cleared items and no diagnostic.
void start_build(scenario_model& model, bool with_plan) {
  model.with_plan = with_plan;
  model.error_kind = 0;
  model.diagnostic = {};
  for (item& it : model.items) it = item{};
}

void report_line(const std::string& line) {
  std::fprintf(stderr, "%s\n", line.c_str());
  std::fflush(stderr);
}

// The lines a build prints, each also kept in the result, and its status.
class build_report {
 public:
  explicit build_report(bool print_lines) : print_lines_(print_lines) {}

  build_result stop(const std::string& line) {
    print(line);
    return end(1);
  }

  build_result outcome(const scenario_model& model, const build_outcome& outcome) {
    switch (outcome.end) {
      case build_outcome::kind::refused: print_diagnostic(model); return end(1, outcome.refusal);
      case build_outcome::kind::no_track:
        print_diagnostic(model);
        return stop(line_source_name(model) + ": no usable route length, so there is no track: no binary file written");
      case build_outcome::kind::write_failed: return stop(outcome.message);
      case build_outcome::kind::written: break;
    }
    if (model.error_kind == 0) return end(0);
    print_diagnostic(model);
    return end(2);
  }

 private:
  void print(const std::string& line) {
    if (print_lines_) report_line(line);
    result_.lines.push_back(line);
  }
  void print_diagnostic(const scenario_model& model) {
    if (model.error_kind != 0) print(diagnostic_report(model));
  }
  build_result end(int status, std::string refusal = {}) {
    result_.status = status;
    result_.refusal = std::move(refusal);
    return std::move(result_);
  }

  bool print_lines_;
  build_result result_;
};

// The source files' text as write_text_lines writes it; false with `error`
// when the lines do not fit the table.
bool source_text(const std::string& name, std::span<const std::string_view> lines, std::string& text,
                 std::string& error) {
  text_line_table table;
  if (!table.fill(lines)) {
    error = "cannot write " + name + ": its " + std::to_string(lines.size()) +
            " lines do not fit the text-line table or one equals its end-of-list marker";
    return false;
  }
  text = table.file_text();
  return true;
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

build_outcome write_binary_files(const scenario_model& model, const std::string& directory) {
  build_outcome outcome;
  std::string error;
  if (model.with_plan && !written(write_line_data_file(model, directory, error), error, outcome)) return outcome;
  if (!written(write_item_file(model, directory, error), error, outcome)) return outcome;
  written(write_track_file(model, directory, error), error, outcome);
  return outcome;
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

build_outcome compile_and_stamp(scenario_model& model, bool with_plan, source_files& sources) {
  start_build(model, with_plan);
  compile_sources(model, sources);  // the line source, then the train source
  if (!model.has_cells()) return {build_outcome::kind::no_track, {}, {}};
  post_process_track(model);  // the automatic reduction points
  if (const char* refusal = stamp_model(model)) return {build_outcome::kind::refused, refusal, {}};
  return {};
}

build_outcome build_from_sources(scenario_model& model, bool with_plan, source_files& sources,
                                 const std::string& directory) {
  build_outcome compiled = compile_and_stamp(model, with_plan, sources);
  if (compiled.end != build_outcome::kind::written) return compiled;
  return write_binary_files(model, directory);
}

std::string diagnostic_report(const scenario_model& model) {
  diagnostic_site site = model.diagnostic;
  // The author knows the sources by their folder names; the files the build
  // read them from are already gone.
  if (site.file == line_source_name(model)) site.file = line_source_file.folder_name;
  if (site.file == train_source_name(model)) site.file = train_source_file.folder_name;
  // A diagnostic of the post-processing belongs to the record whose object asked for it.
  const auto& placed = model.placed_objects;
  const auto object =
      std::find_if(placed.rbegin(), placed.rend(), [&](const placed_object& p) { return p.cell == site.object_cell; });
  if (site.object_cell >= 0 && object != placed.rend()) {
    site.file = object->folder_file;
    site.line = object->line;
  }
  return diagnostic_line(model.error_kind, site);
}

void show_error_and_exit(const std::string& code) {
  platform::show_message_box(" Errore n. " + code);
  std::exit(1);
}

build_result build_scenario(const scenario_text& scenario, const std::string& directory) {
  scenario_model model;
  model.line_name = scenario.line_name;
  model.train_number = scenario.train_number;
  build_report report(/*print_lines=*/true);
  std::string error;
  if (!write_text_files(model, scenario, directory, error)) return report.stop(error);
  directory_source_files sources(directory);
  const build_outcome outcome = build_from_sources(model, /*with_plan=*/true, sources, directory);
  return report.outcome(model, outcome);
}

build_result build_in_memory(const scenario_text& scenario, scenario_model& model) {
  model = scenario_model{};
  model.line_name = scenario.line_name;
  model.train_number = scenario.train_number;
  build_report report(/*print_lines=*/false);
  memory_source_files sources;
  std::string error;
  if (!source_text(line_source_name(model), scenario.line_source, sources.files[line_source_name(model)], error) ||
      !source_text(train_source_name(model), scenario.train_source, sources.files[train_source_name(model)], error))
    return report.stop(error);
  return report.outcome(model, compile_and_stamp(model, /*with_plan=*/true, sources));
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
