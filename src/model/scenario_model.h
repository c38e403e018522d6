// The scenario model: the whole in-memory state of one build.
//
// The line source compiler and the train source compiler fill it, the track
// post-processing and the competition codes complete it, and the build frame
// writes `items`, `cells` and `track_plan` to the three binary files (their
// byte layouts are described in format/binary_writer.h). The scalars and the mountain
// tables are working state of the build and never reach a file.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "model/track_plan.h"

namespace compila {

inline constexpr std::int32_t cell_length_m = 50;
inline constexpr std::int32_t extent_beyond_route_m = 7000;
inline constexpr int item_slots = 87;                      // items 0 to 86
inline constexpr int mountain_slots = 81;                  // mountain tables 0 to 80
inline constexpr std::int16_t item_format_marker = 610;    // items[85].word_1
inline constexpr std::int16_t track_format_marker = 5121;  // cells[1].param_1

// Codes of `track_cell::cell_type`.
namespace cell_kind {
inline constexpr std::uint8_t nothing = 0;
inline constexpr std::uint8_t signal = 1;
inline constexpr std::uint8_t slowdown_end = 2;
inline constexpr std::uint8_t slowdown_start = 3;
inline constexpr std::uint8_t warning_board = 4;  // 1200 m before a slowdown
inline constexpr std::uint8_t countdown = 5;      // four cells before a warning board
inline constexpr std::uint8_t speed_board = 6;
inline constexpr std::uint8_t stopping_point = 10;
inline constexpr std::uint8_t tunnel_marker = 11;  // counts as free
inline constexpr std::uint8_t reduction_with_value = 12;
inline constexpr std::uint8_t reduction_without_value = 13;
inline constexpr std::uint8_t signboard = 14;
}  // namespace cell_kind

// One 50-metre cell of track. Fields 1 to 6 belong to the object on the cell,
// `approach_code` to an object a few cells further on, the last four describe
// the line under the cell.
struct track_cell {
  std::uint8_t cell_type = 0;
  std::int16_t param_1 = 0;
  std::int16_t param_2 = 0;
  std::int16_t param_3 = 0;
  std::int16_t param_4 = 0;
  std::uint8_t signal_time = 0;
  std::uint8_t approach_code = 0;
  std::uint8_t tunnel_kind = 0;
  std::uint8_t speed_limit = 0;  // units of 5 km/h
  std::uint8_t gradient = 0;     // gradient value plus 100, modulo 256
  std::uint8_t adhesion = 0;     // percent

  bool operator==(const track_cell&) const = default;
};

// Objects may only be placed on a free cell: empty or a tunnel marker.
inline bool is_free(const track_cell& cell) {
  return cell.cell_type == cell_kind::nothing || cell.cell_type == cell_kind::tunnel_marker;
}

// One multi-purpose record of the item table: a station, a signboard text or
// a set of general parameters, depending on the slot.
struct item {
  std::uint8_t kind = 0;
  std::int32_t start_m = 0;
  std::int32_t end_m = 0;
  std::int32_t at_m = 0;
  std::uint8_t flag = 0;
  std::string text;
  std::int16_t word_1 = 0;
  std::int16_t word_2 = 0;
  std::int16_t word_3 = 0;
  std::int16_t word_4 = 0;
  std::int16_t word_5 = 0;
  std::uint8_t byte_1 = 0;
  std::uint8_t byte_2 = 0;
  std::uint8_t byte_3 = 0;
  std::uint8_t byte_4 = 0;
  std::int32_t seconds = 0;

  bool operator==(const item&) const = default;
};

// Where the diagnostic held in `error_kind` arose, so that it can be reported
// in the author's terms. `line` is 0 when the diagnostic does not come from a
// line of a source file (the track post-processing, for instance).
struct diagnostic_site {
  std::string file;
  std::int32_t line = 0;
  std::string keyword;
  std::string detail;
  // For a diagnostic of the post-processing: the cell of the object (signal
  // or slowdown start) that asked for the reduction point, else -1.
  std::int32_t object_cell = -1;
};

// An object put on a cell by a record: the cell, the record's folder file
// ("linea.txt" or "treno.txt") and line. A record that finds a cell taken
// says by what.
struct placed_object {
  std::int64_t cell = 0;
  std::string_view folder_file;
  std::int32_t line = 0;
};

// One diagnostic as it was recorded.
struct logged_diagnostic {
  std::int32_t code = 0;
  diagnostic_site site;
};

struct scenario_model {
  std::string line_name;
  std::string train_number;
  bool with_plan = false;    // the track plan is built and written
  std::string current_line;  // the field last read from a source file
  std::int32_t track_extent_m = 0;
  std::int32_t cell_count = 0;  // highest index of `cells`
  std::int32_t error_kind = 0;
  diagnostic_site diagnostic;  // where the current `error_kind` arose
  // When set, every diagnostic recorded is also appended here in order: the
  // build keeps only the last, the scenario tool's check lists them all.
  std::vector<logged_diagnostic>* diagnostic_log = nullptr;

  std::int32_t mountain_count = 0;
  std::array<std::int32_t, mountain_slots> mountain_start_m{};
  std::array<std::int32_t, mountain_slots> mountain_end_m{};

  std::vector<track_cell> cells;  // indices 0 to cell_count once the route length is read
  // Every object a source record placed, in placing order (a later one on
  // the same cell replaced the earlier). It never reaches a file.
  std::vector<placed_object> placed_objects;
  std::array<item, item_slots> items{};
  // The plan-view point of every metre 0 to track_extent_m; it has no points
  // unless the plan is built (see track_plan.h).
  compila::track_plan track_plan;

  bool has_cells() const { return !cells.empty(); }
};

// Records a diagnostic: the code the build keeps and where it arose. Each call
// replaces the previous diagnostic, so the last one wins.
inline void record_diagnostic(scenario_model& model, std::int32_t code, diagnostic_site site) {
  if (model.diagnostic_log != nullptr) model.diagnostic_log->push_back({code, site});
  model.error_kind = code;
  model.diagnostic = std::move(site);
}

}  // namespace compila
