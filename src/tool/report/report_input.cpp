#include "tool/report/report_input.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <system_error>

#include "driver/build_pipeline.h"
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
bool read_course(const fs::path& path, std::vector<course_point>& course, std::string& error) {
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

// A fresh, empty directory under the system's temporary directory.
bool make_temporary_directory(fs::path& made, std::string& error) {
  std::error_code code;
  const fs::path base = fs::temp_directory_path(code);
  if (code) {
    error = "cannot find the temporary directory: " + code.message();
    return false;
  }
  std::random_device seed;
  std::mt19937_64 random(seed());
  for (int attempt = 0; attempt < 100; ++attempt) {
    const fs::path candidate = base / ("scenario_tool_draw_" + std::to_string(random() % 1'000'000'000'000));
    if (fs::create_directory(candidate, code)) {
      made = candidate;
      return true;
    }
    if (code) break;
  }
  error = utf8_text(base) + ": cannot make a temporary directory" +
          (code ? std::string(": ").append(code.message()) : std::string());
  return false;
}

// Removes the directory it is given when it goes out of scope.
struct directory_remover {
  fs::path path;
  ~directory_remover() {
    std::error_code ignored;
    if (!path.empty()) fs::remove_all(path, ignored);
  }
};

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
  out.file_notes.clear();
  if (std::optional<decode_error> problem = format_marker_problem(out.cells))
    out.file_notes.push_back(out.file_names[2] + ": byte " + std::to_string(problem->offset) + ": " + problem->message);
  if (std::optional<decode_error> problem = format_marker_problem(out.items))
    out.file_notes.push_back(out.file_names[1] + ": byte " + std::to_string(problem->offset) + ": " + problem->message);
  return true;
}

bool load_folder(const std::string& folder, const scenario_folder& scenario, drawn_scenario& out, std::string& error) {
  directory_remover temporary;
  if (!make_temporary_directory(temporary.path, error)) return false;
  const build_result built = build_scenario(scenario.text(), utf8_text(temporary.path));
  out.build_status = built.status;
  out.build_lines = built.lines;
  if (!built.refusal.empty()) out.build_lines.push_back(" Errore n. " + built.refusal);
  if (built.status == 1) {
    error = folder + ": the build stopped, so there are no binary files to draw";
    return false;
  }
  if (!load_directory(utf8_text(temporary.path), out, error)) return false;
  out.source = folder;
  out.built_from_folder = true;
  out.placed_by = objects_placed_by_sources(scenario.text());
  return true;
}

}  // namespace compila::report
