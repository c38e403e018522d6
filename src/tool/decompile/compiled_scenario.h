// The files of one build read back for decompiling: the track file, the item
// file and the line data file, with the stamps of the build (format markers
// and competition codes) checked and taken off, and the plan turned back into
// its runs of one curvature.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "model/scenario_model.h"
#include "model/track_plan.h"
#include "platform/read_whole_file.h"

namespace compila::decompile {

// One file handed to the decompiler: its path as messages name it, and its
// bytes held whole or, for the line data file (20 MB at the largest route),
// read piece by piece where it lies.
struct input_file {
  std::string path;
  std::string bytes;                      // the whole file, unless `pieces` is set
  std::shared_ptr<file_pieces> pieces{};  // the file on disk; `bytes` stays empty
};

// An input file's bytes as they are needed, through a window of one piece:
// straight from memory when the file is held whole, read from disk otherwise.
// Several windows may read one file; each places the file before reading.
class byte_window {
 public:
  static constexpr std::size_t piece_size = 1 << 16;

  explicit byte_window(const input_file& file);
  std::uint64_t size() const { return size_; }
  // The `count` (at most piece_size) bytes at `offset`, or nullptr when the
  // file ends before them or cannot be read (read_error() then says why).
  const std::uint8_t* at(std::uint64_t offset, std::size_t count);
  const std::optional<std::string>& read_error() const { return read_error_; }

 private:
  const input_file& file_;
  std::uint64_t size_;
  std::vector<std::uint8_t> piece_;
  std::uint64_t piece_start_ = 0;
  std::optional<std::string> read_error_;
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
