// The records of the two sources recovered from a compiled scenario: what an
// author writes so that the compilers put back every cell, item and plan
// point. Each choice is checked afterwards by rebuilding (decompiler.h).
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "tool/decompile/compiled_scenario.h"
#include "tool/decompile/source_text.h"

namespace compila::decompile {

// One entry of a step profile (gradients, speed limits, adhesion).
struct profile_entry {
  std::int64_t position_m = 0;
  std::int64_t value = 0;
};

// The entries that give `cells` (one byte a cell, 0 to cell_count) under the
// profiles' cursor rule: each entry fills the cells from the cursor up to its
// own cell with the value before it, one cell at least, and the end of the
// reading fills up to cell cell_count - 3, one cell at least. `value` turns a
// cell's byte into the entry's value.
std::vector<profile_entry> profile_entries(const std::vector<std::uint8_t>& cells, std::int32_t cell_count,
                                           const std::function<std::int64_t(std::uint8_t)>& value);

// Whether the stopping point on `cell` stands where a signal stood: approach
// codes of a signal's pattern lie 2, 4, 6 or 8 cells before it. The station
// wrote its point over the signal, whose other fields remain.
bool covers_signal(const std::vector<track_cell>& cells, std::int32_t cell);

// The item slots from 1 up that hold stations.
std::int32_t station_count(const compiled_scenario& scenario);

// The line source: general section, curves, gradients, mountain spans,
// speed indicator boards and signboards.
std::vector<source_section> line_sections(const compiled_scenario& scenario);

// The train source. The author's reduction points are not told apart from
// those the build adds by looking at the cells; the decompiler finds them by
// rebuilding and passes them in.
class train_recovery {
 public:
  explicit train_recovery(const compiled_scenario& scenario);

  // Cells whose reduction point only an author can have placed: one without
  // a value, or one whose value is not the build's 180.
  std::vector<std::int32_t> certain_author_points() const;
  std::vector<source_section> sections(const std::vector<std::int32_t>& author_points) const;

 private:
  std::vector<source_section> ordered_objects() const;

  const compiled_scenario& scenario_;
};

}  // namespace compila::decompile
