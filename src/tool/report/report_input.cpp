#include "tool/report/report_input.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <system_error>

#include "driver/build_pipeline.h"
#include "format/binary_writer.h"
#include "model/file_names.h"
#include "platform/read_whole_file.h"
#include "platform/utf8_path.h"
#include "scenario/scenario_folder.h"

namespace compila::report {
namespace {

namespace fs = std::filesystem;

// Index of each kind in drawn_scenario::file_names.
std::size_t slot_of(binary_file_kind kind) {
  switch (kind) {
    case binary_file_kind::plan: return 0;
    case binary_file_kind::items: return 1;
    case binary_file_kind::track: return 2;
  }
  return 0;
}

const char* description_of(binary_file_kind kind) {
  switch (kind) {
    case binary_file_kind::plan: return "line data file (*_linea.dat)";
    case binary_file_kind::items: return "train item file (*.sim)";
    case binary_file_kind::track: return "track file (*.dat)";
  }
  return "";
}

// Finds one file of each kind in `directory`.
bool find_files(const fs::path& directory, std::array<std::string, 3>& names, std::string& error) {
  std::error_code code;
  fs::directory_iterator entries(directory, code);
  if (code) {
    error = utf8_text(directory) + ": cannot read the directory: " + code.message();
    return false;
  }
  std::array<std::vector<std::string>, 3> found;
  for (const fs::directory_entry& entry : entries) {
    if (!entry.is_regular_file(code)) continue;
    const std::string name = utf8_text(entry.path().filename());
    if (const std::optional<binary_file_kind> kind = binary_file_kind_from_name(name))
      found[slot_of(*kind)].push_back(name);
  }
  for (binary_file_kind kind : {binary_file_kind::plan, binary_file_kind::items, binary_file_kind::track}) {
    std::vector<std::string>& candidates = found[slot_of(kind)];
    if (candidates.empty()) {
      error = utf8_text(directory) + ": no " + description_of(kind) + " in the directory";
      return false;
    }
    if (candidates.size() > 1) {
      std::sort(candidates.begin(), candidates.end());
      error = utf8_text(directory) + ": more than one " + description_of(kind) + ": " + candidates[0] + ", " +
              candidates[1] + (candidates.size() > 2 ? ", ..." : "") + "; keep the three files of one scenario";
      return false;
    }
    names[slot_of(kind)] = candidates.front();
  }
  return true;
}

bool read_bytes(const fs::path& path, std::vector<std::uint8_t>& bytes, std::string& error) {
  file_read_error failure;
  if (read_whole_file(utf8_text(path), bytes, failure)) return true;
  error = failure.message();
  return false;
}

// The line data file is the largest by far (20 MB for the longest route): it
// is read a block at a time, keeping only the course's points.
bool read_course(const fs::path& path, packed_course& course, std::string& error) {
  std::ifstream in;
  file_read_error failure;
  if (!open_file_to_read(utf8_text(path), in, failure)) {
    error = failure.message();
    return false;
  }
  course_collector collector(course);
  if (const std::optional<decode_error> problem = stream_line_data(in, collector)) {
    course.clear();
    error = utf8_text(path) + ": byte " + std::to_string(problem->offset) + ": " + problem->message;
    return false;
  }
  return true;
}

template <typename records_type>
bool take(decode_result<records_type>&& result, const fs::path& path, records_type& out, std::string& error) {
  if (!result.ok()) {
    error = utf8_text(path) + ": byte " + std::to_string(result.error->offset) + ": " + result.error->message;
    return false;
  }
  out = std::move(result.records);
  return true;
}

std::string decode_problem(const std::string& file, const decode_error& problem) {
  return file + ": byte " + std::to_string(problem.offset) + ": " + problem.message;
}

// The format markers' problems, as notes under the page.
void note_marker_problems(drawn_scenario& out) {
  out.file_notes.clear();
  if (std::optional<decode_error> problem = format_marker_problem(out.cells))
    out.file_notes.push_back(decode_problem(out.file_names[2], *problem));
  if (std::optional<decode_error> problem = format_marker_problem(out.items))
    out.file_notes.push_back(decode_problem(out.file_names[1], *problem));
}

// The three files of a model built in memory, encoded as the build writes
// them and decoded again, so that the page shows what the simulator loads.
// The line data file goes from the encoder to the decoder a piece at a time.
bool decode_built_files(const scenario_model& model, drawn_scenario& out, std::string& error) {
  out.file_names = {line_data_name(model), item_file_name(model), track_file_name(model)};
  course_collector collector(out.course);
  line_data_decoder plan(static_cast<std::size_t>(std::max(model.track_plan.point_count(), 0)),
                         line_data_half_size(model.track_plan), collector);
  const bool streamed = stream_line_data(model, plan);
  if (const std::optional<decode_error> problem = plan.finish(); problem || !streamed) {
    out.course.clear();
    error = decode_problem(out.file_names[0], problem.value_or(decode_error{0, "the encoder stopped"}));
    return false;
  }
  decode_result<std::array<item, item_slots>> items = decode_item_file(encode_item_file(model));
  decode_result<std::vector<track_cell>> cells = decode_track_file(encode_track_file(model));
  if (!items.ok() || !cells.ok()) {
    error =
        items.ok() ? decode_problem(out.file_names[2], *cells.error) : decode_problem(out.file_names[1], *items.error);
    return false;
  }
  out.items = std::move(items.records);
  out.cells = std::move(cells.records);
  note_marker_problems(out);
  return true;
}

// The build in memory and its decoding; `built` keeps what the build said.
bool build_and_decode(const std::string& source, const scenario_folder& scenario, drawn_scenario& out,
                      build_result& built, std::string& error) {
  scenario_model model;
  built = build_in_memory(scenario.text(), model);
  out.build_status = built.status;
  out.build_lines = built.lines;
  if (!built.refusal.empty()) out.build_lines.push_back(" Errore n. " + built.refusal);
  if (built.status == 1) {
    error = source + ": the build stopped, so there are no binary files to draw";
    return false;
  }
  if (!decode_built_files(model, out, error)) return false;
  out.source = source;
  out.built_from_folder = true;
  out.placed_by = objects_placed_by_sources(scenario.text());
  return true;
}

}  // namespace

bool is_scenario_folder(const std::string& path) {
  std::error_code code;
  return fs::is_regular_file(utf8_path(path) / utf8_path(scenario_names_file), code);
}

bool load_directory(const std::string& directory, drawn_scenario& out, std::string& error) {
  const fs::path dir = utf8_path(directory);
  std::error_code code;
  if (!fs::is_directory(dir, code)) {
    error = directory + ": " + (fs::exists(dir, code) ? "not a directory" : "no such directory");
    return false;
  }
  if (!find_files(dir, out.file_names, error)) return false;
  out.source = directory;
  std::vector<std::uint8_t> bytes;
  const fs::path plan_path = dir / utf8_path(out.file_names[0]), item_path = dir / utf8_path(out.file_names[1]),
                 track_path = dir / utf8_path(out.file_names[2]);
  if (!read_course(plan_path, out.course, error)) return false;
  if (!read_bytes(item_path, bytes, error) || !take(decode_item_file(bytes), item_path, out.items, error)) return false;
  if (!read_bytes(track_path, bytes, error) || !take(decode_track_file(bytes), track_path, out.cells, error))
    return false;
  note_marker_problems(out);
  return true;
}

bool build_drawn_scenario(const std::string& source, const scenario_folder& scenario, drawn_scenario& out,
                          std::string& error) {
  build_result built;
  return build_and_decode(source, scenario, out, built, error);
}

bool load_folder(const std::string& folder, const scenario_folder& scenario, drawn_scenario& out, std::string& error) {
  build_result built;
  const bool drawn = build_and_decode(folder, scenario, out, built, error);
  // The build's own lines, as the build prints them (the refusal is shown apart).
  for (const std::string& line : built.lines) std::fprintf(stderr, "%s\n", line.c_str());
  std::fflush(stderr);
  return drawn;
}

}  // namespace compila::report
