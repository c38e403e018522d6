// The files of one build read back for decompiling: the track file, the item
// file and the line data file, with the stamps of the build (format markers
// and competition codes) checked and taken off, and the plan turned back into
// its runs of one curvature.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "model/scenario_model.h"
#include "model/track_plan.h"

namespace compila::decompile {

// One file handed to the decompiler: its path as messages name it, its bytes.
struct input_file {
  std::string path;
  std::string bytes;
};

inline constexpr std::size_t document_count = 3;  // note, slowdown order, train card

// The files of one build, as found by the names the build gives them.
struct build_files {
  std::string line_name;     // as the file names give it
  std::string train_number;  // as the file names give it
  input_file plan;           // <line>_linea.dat
  input_file items;          // <line>_<train>.sim
  input_file track;          // <line>_<train>.dat
  // In the order of scenario_files (note.txt, rallentamenti.txt,
  // scheda_treno.txt); empty where the folder has none.
  std::array<std::optional<input_file>, document_count> documents;
};

// The model as the compilers left it, before the post-processing stamped it.
struct compiled_scenario {
  std::string line_name;
  std::string train_number;
  std::int32_t cell_count = 0;
  std::vector<track_cell> cells;  // param_1 and param_2 of cell 1 cleared
  std::array<item, item_slots> items{};
  // The plan's runs of one curvature, from point 2 up to the last point computed.
  std::vector<track_plan::run> plan_runs;
  std::int32_t last_plan_point = 1;  // the last point that holds a value
  bool plan_followed = true;         // false when a point follows on no curve
};

// What reading the files found wrong: `whole` when the files cannot be
// decompiled at all (damaged, cut short, of the wrong kind or from different
// scenarios), so that nothing is written.
struct input_problem {
  std::string message;  // "PATH: error: ..."
  bool whole = true;
};

// Reads `files` into `scenario`; the problems found, the first `whole` one
// ending the reading.
std::vector<input_problem> read_build_files(const build_files& files, compiled_scenario& scenario);

}  // namespace compila::decompile
