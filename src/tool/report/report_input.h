// What the report is drawn from: the three binary files of one scenario,
// decoded, and the lines of the build that wrote them.
//
// A report shows what the simulator will load, so it is always drawn from
// decoded files, never from an in-memory model. A scenario folder is built in
// memory and its files, encoded as the build writes them, are decoded again
// (nothing reaches the disk); from a directory the three files found there
// are decoded as they are.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "format/binary_reader.h"
#include "model/scenario_model.h"
#include "scenario/scenario_folder.h"
#include "tool/report/course.h"
#include "tool/report/placed_objects.h"

namespace compila::report {

struct drawn_scenario {
  std::string source;                     // the folder or directory named by the user
  bool built_from_folder = false;         // true: the files come from a build of `source`
  std::array<std::string, 3> file_names;  // line data, item and track file (names only)
  std::vector<track_cell> cells;
  std::array<item, item_slots> items{};
  packed_course course;                  // the plan's finite points, read from the line data file
  int build_status = 0;                  // 0 clean, 2 written with a diagnostic (folders only)
  std::vector<std::string> build_lines;  // the build's diagnostic lines (folders only)
  std::vector<std::string> file_notes;   // format markers missing and the like
  // Folders only: the record of the sources that placed each object, by cell.
  std::map<std::int32_t, placing_record> placed_by;

  const std::string& line_name() const { return items[85].text; }
  const std::string& train_number() const { return items[86].text; }
};

// Reads the three binary files found in `directory`: exactly one line data
// file "*_linea.dat", one item file "*.sim" and one other "*.dat". False with
// `error` naming the directory or the file (and, for a damaged file, the byte
// offset where it stops making sense).
[[nodiscard]] bool load_directory(const std::string& directory, drawn_scenario& out, std::string& error);

// Builds `scenario` (read from any scenario_file_source) in memory with the
// core's build, keeps the build's lines and status, and decodes the three
// files the build would write, through the same decoders as load_directory.
// Nothing is written to disk and nothing printed; `source` names the
// scenario on the page. False with `error` when the build stops (its lines
// are in out.build_lines) or a file does not decode.
[[nodiscard]] bool build_drawn_scenario(const std::string& source, const scenario_folder& scenario, drawn_scenario& out,
                                        std::string& error);

// build_drawn_scenario for the folder read from `folder`, printing the
// build's lines to standard error as the build does.
[[nodiscard]] bool load_folder(const std::string& folder, const scenario_folder& scenario, drawn_scenario& out,
                               std::string& error);

// A scenario folder is a directory holding scenario.txt.
bool is_scenario_folder(const std::string& path);

}  // namespace compila::report
