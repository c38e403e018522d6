// The things a report draws, read off the decoded track cells and items.
//
// Every cell object is placed at the start of its cell: cell i at i × 50 m,
// the 50 metres the simulator gives it. The per-cell profiles (gradient,
// speed limit, adhesion, tunnel kind) are merged into runs of equal values.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "model/scenario_model.h"
#include "tool/report/placed_objects.h"

namespace compila::report {

// Cells first to last (inclusive) carry the same value.
struct run {
  std::int32_t first = 0;
  std::int32_t last = 0;
  int value = 0;
  bool operator==(const run&) const = default;
};

struct station {
  int slot = 0;
  std::string name;
  int kind = 0;
  std::int32_t at_m = 0;
  std::int32_t start_m = 0;
  std::int32_t end_m = 0;
  std::int32_t seconds = 0;           // timetable time of day, 0 when none
  std::vector<std::int32_t> stops_m;  // stopping points naming this slot
};

// One object on one cell.
struct cell_object {
  std::int32_t cell = 0;
  std::uint8_t type = 0;
  std::array<std::int16_t, 4> params{};
};

struct signboard {
  std::int32_t cell = 0;
  int slot = 0;
  std::string text;
};

// A slowdown from its start cell to the next end cell (or the track's end).
struct slowdown {
  std::int32_t start_cell = 0;
  std::int32_t end_cell = 0;
  int speed = 0;
  bool has_end = true;
};

struct line_features {
  std::int32_t cell_count = 0;     // highest cell index
  std::int32_t profile_cells = 0;  // cells 0 .. profile_cells-1 carry the line's profiles
  std::vector<run> gradient;       // per mille: stored byte - 100
  std::vector<run> speed_kmh;      // stored byte × 5
  std::vector<run> adhesion;       // percent
  std::vector<run> tunnels;        // tunnel kind, runs of kind 0 left out
  std::vector<double> height_m;    // height at the start of each profile cell and after the last
  std::vector<station> stations;
  std::vector<cell_object> signals;
  std::vector<cell_object> speed_boards;
  std::vector<cell_object> warning_boards;
  std::vector<cell_object> countdowns;
  std::vector<cell_object> reductions;
  std::vector<signboard> signboards;
  std::vector<slowdown> slowdowns;
  std::int32_t route_length_m = 0;       // items[84].end_m
  std::int32_t competition_code_st = 0;  // items[85].seconds
  std::int16_t competition_code_og = 0;  // cells[1].param_2
  // For a folder, the record that placed each object of the sources; empty
  // when drawn from binary files alone (`from_sources` false).
  bool from_sources = false;
  std::map<std::int32_t, placing_record> placed_by;

  // A reduction point the sources placed, not one the build added (folders only).
  bool authored(const cell_object& object) const { return placed_by.contains(object.cell); }
};

// What a speed board shows: a short label for the drawing and the whole
// reading for its tooltip.
struct board_speeds {
  std::string label;
  std::string detail;
};

// The speeds of one speed code: `left` × 20 + `right` / 5. Written in steps
// of 5 km/h up to 300 km/h, as the line's speeds are, a code has at most one
// such reading (the left speed a multiple of 100 in the code, the right one
// its remainder); none when the code has no reading of that kind.
struct side_speeds {
  int left = 0;
  int right = 0;
  bool operator==(const side_speeds&) const = default;
};
std::optional<side_speeds> speeds_of_code(std::int16_t code);

// A speed board as its record wrote it, when the sources are known, else as
// decoded from its three codes (the code itself where it has no reading).
board_speeds speed_board_speeds(const cell_object& board, const line_features& features);

// Merges equal neighbouring values of cells [0, count) into runs.
template <typename value_of>
std::vector<run> runs_of(std::span<const track_cell> cells, std::int32_t count, value_of value,
                         bool skip_zero = false) {
  std::vector<run> runs;
  for (std::int32_t i = 0; i < count && i < static_cast<std::int32_t>(cells.size()); ++i) {
    const int v = value(cells[i]);
    if (!runs.empty() && runs.back().value == v && runs.back().last == i - 1) runs.back().last = i;
    else if (!(skip_zero && v == 0)) runs.push_back({i, i, v});
  }
  return runs;
}

// Heights from gradients per mille over 50 m cells, starting at 0.
std::vector<double> heights_from(const std::vector<run>& gradient_runs, std::int32_t cell_total);

line_features read_features(std::span<const track_cell> cells, const std::array<item, item_slots>& items);

}  // namespace compila::report
